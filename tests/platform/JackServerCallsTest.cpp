// The JACK backend's calls that wait for the server, each waited for a while
// at most: here with calls that stand for a server answering when the test
// says so.
#include "midi/JackServerCalls.h"

#include "support/WaitFor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

using PlatformMidi::JackServerCalls;
using namespace std::chrono_literals;

namespace
{
/** The server's answer, given when the test wants. */
class Answer
{
public:
    void give() { promise_.set_value(); }
    void await() const { answered_.wait(); }

private:
    std::promise<void> promise_;
    std::shared_future<void> answered_ = promise_.get_future().share();
};

/** The calls that were run, in order. */
class Ran
{
public:
    void add(int call)
    {
        std::lock_guard<std::mutex> hold(mutex_);
        calls_.push_back(call);
    }
    std::vector<int> calls() const
    {
        std::lock_guard<std::mutex> hold(mutex_);
        return calls_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<int> calls_;
};
} // namespace

TEST(JackServerCalls, AnAnsweredCallIsDoneOnAThreadOfItsOwnAndLeavesNothingUnanswered)
{
    JackServerCalls calls(10s);
    std::thread::id ranOn;
    EXPECT_TRUE(calls.run([&] { ranOn = std::this_thread::get_id(); }));
    EXPECT_NE(std::this_thread::get_id(), ranOn);
    EXPECT_FALSE(calls.unanswered());
    EXPECT_TRUE(calls.run([] {}));
}

TEST(JackServerCalls, CallsAfterAnUnansweredOneAreNotWaitedForAndRunInOrderOnceItIsAnswered)
{
    auto answer = std::make_shared<Answer>();
    auto ran = std::make_shared<Ran>();
    JackServerCalls calls(50ms);
    EXPECT_FALSE(calls.run([answer, ran] {
        answer->await();
        ran->add(1);
    }));
    EXPECT_TRUE(calls.unanswered());
    EXPECT_FALSE(calls.run([ran] { ran->add(2); }));
    EXPECT_FALSE(calls.run([ran] { ran->add(3); }));
    EXPECT_TRUE(ran->calls().empty());

    answer->give();
    EXPECT_TRUE(TestSupport::waitFor([&] { return !calls.unanswered(); }));
    EXPECT_EQ((std::vector<int>{1, 2, 3}), ran->calls());
    EXPECT_TRUE(calls.run([ran] { ran->add(4); }));
    EXPECT_EQ(4u, ran->calls().size());
}

TEST(JackServerCalls, AnUnansweredCallOutlivesTheCallsAndWhatItKeepsAliveMayEndThemOnItsThread)
{
    // The owner of the calls, kept alive by its last call only: it ends on
    // the calls' own thread once that call is answered.
    struct EndedLast
    {
        std::shared_ptr<std::atomic<bool>> ended = std::make_shared<std::atomic<bool>>(false);
        ~EndedLast() { ended->store(true); }
    };
    struct Owner
    {
        EndedLast mark; // after the calls
        JackServerCalls calls{50ms};
    };
    auto answer = std::make_shared<Answer>();
    auto owner = std::make_shared<Owner>();
    const std::shared_ptr<std::atomic<bool>> ended = owner->mark.ended;
    EXPECT_FALSE(owner->calls.run([answer, owner] { answer->await(); }));
    owner.reset();
    EXPECT_FALSE(ended->load());

    answer->give();
    EXPECT_TRUE(TestSupport::waitFor([&] { return ended->load(); }));
}
