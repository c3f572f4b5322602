// Tr::BThread: start, the stop protocol, forced termination and auto-delete.
#include "BThread.h"
#include "Millis.h"

#include "support/Sanitizers.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

namespace {

using TestSupport::waitFor;

/** A thread whose body is a function; stops in its own destructor. */
class TestThread : public Tr::BThread
{
public:
    explicit TestThread(std::function<void(TestThread&)> body) : BThread(false, Tr::TString("test")), body_(std::move(body))
    {
    }
    ~TestThread() override { stopAndWaitForEnd(); }

    using BThread::wakeEvent;

    std::atomic<int> runs{0};
    std::atomic<bool> sawItself{false};

protected:
    void run() override
    {
        ++runs;
        sawItself = isCurrentThread() && getThreadId() != 0;
        body_(*this);
    }

private:
    std::function<void(TestThread&)> body_;
};

void untilStopRequested(TestThread& thread)
{
    while (!thread.isStopRequested())
        thread.wakeEvent().wait(0);
}

} // namespace

TEST(BThread, StopOfANeverStartedThreadAnswersTrueAtOnce)
{
    TestThread thread(untilStopRequested);
    const DWORD start = Tr::getMillis();
    EXPECT_TRUE(thread.stop());
    EXPECT_LT(Tr::getMillis() - start, 100u);
    EXPECT_FALSE(thread.isRunning());
    EXPECT_EQ(thread.getThreadId(), 0u);
    EXPECT_EQ(thread.getName(), "test");
}

TEST(BThread, RunSeesItselfAndACooperativeThreadEndsOnStop)
{
    TestThread thread(untilStopRequested);
    ASSERT_TRUE(thread.start());
    EXPECT_TRUE(thread.isRunning());
    EXPECT_NE(thread.getThreadId(), 0u);
    EXPECT_FALSE(thread.isCurrentThread());
    ASSERT_TRUE(waitFor([&] { return thread.runs == 1; }));
    EXPECT_TRUE(thread.stop());
    EXPECT_FALSE(thread.isRunning());
    EXPECT_TRUE(thread.isStopRequested());
    EXPECT_EQ(thread.getThreadId(), 0u) << "the ended thread clears its id";
    EXPECT_TRUE(thread.sawItself);

    ASSERT_TRUE(thread.start()) << "a finished thread object can be started again";
    EXPECT_FALSE(thread.isStopRequested());
    ASSERT_TRUE(waitFor([&] { return thread.runs == 2; }));
    EXPECT_TRUE(thread.stop());
}

TEST(BThread, StopFromInsideRunOnlyRequestsTheStop)
{
    std::atomic<bool> answer{false};
    std::atomic<DWORD> took{9999};
    TestThread thread([&](TestThread& self) {
        const DWORD start = Tr::getMillis();
        answer = self.stop();
        took = Tr::getMillis() - start;
    });
    ASSERT_TRUE(thread.start());
    ASSERT_TRUE(waitFor([&] { return !thread.isRunning(); }));
    EXPECT_TRUE(answer);
    EXPECT_LT(took.load(), 100u) << "a thread never waits for itself";
}

TEST(BThread, ARunThatIgnoresTheStopIsTerminatedAfterAbout500Ms)
{
    if (TestSupport::kCancellationUnmodelled)
        GTEST_SKIP() << "the sanitizer of this build does not model thread cancellation";
    static std::atomic<int> unwound{0};
    TestThread thread([](TestThread&) {
        struct CountUnwind
        {
            ~CountUnwind() { ++unwound; }
        } guard;
        for (;;)
            Tr::sleepMs(1);
    });
    ASSERT_TRUE(thread.start());
    ASSERT_TRUE(waitFor([&] { return thread.runs == 1; }));
    const DWORD start = Tr::getMillis();
    EXPECT_FALSE(thread.stop());
    const DWORD took = Tr::getMillis() - start;
    EXPECT_GE(took, 480u);
    EXPECT_LT(took, 3000u);
    EXPECT_TRUE(waitFor([&] { return !thread.isRunning(); }));
    EXPECT_EQ(unwound, 1) << "the terminated thread unwinds its stack before it counts as ended";
}

TEST(BThread, ATerminatedBusyThreadRunsOnUntilItWaitsAndItsObjectIsNotFreedBefore)
{
    if (TestSupport::kCancellationUnmodelled)
        GTEST_SKIP() << "the sanitizer of this build does not model thread cancellation";
    static std::atomic<bool> mayWait{false};
    static std::atomic<long> counted{0};
    static std::atomic<bool> unwound{false};
    auto thread = std::make_unique<TestThread>([](TestThread&) {
        struct MarkUnwind
        {
            ~MarkUnwind() { unwound = true; }
        } guard;
        while (!mayWait) // neither waits nor sleeps: a forced stop cannot act here
            ++counted;
        for (;;)
            Tr::sleepMs(1);
    });
    ASSERT_TRUE(thread->start());
    ASSERT_TRUE(waitFor([] { return counted > 0; }));
    EXPECT_FALSE(thread->stop());
    EXPECT_TRUE(thread->isRunning()) << "the terminated thread has not ended yet";
    const long seen = counted;
    EXPECT_TRUE(waitFor([seen] { return counted > seen; }));

    std::thread letItWait([] {
        Tr::sleepMs(200);
        mayWait = true;
    });
    thread.reset(); // as an owner does after a stop
    EXPECT_TRUE(unwound) << "the object was freed while its thread still ran";
    letItWait.join();
}

TEST(BThread, AnOldStopRequestLeavesAWaitAbout100MsOfGrace)
{
    std::atomic<bool> finish{false};
    TestThread thread([&](TestThread&) {
        while (!finish)
            Tr::sleepMs(1);
    });
    ASSERT_TRUE(thread.start());
    thread.requestStop();
    Tr::sleepMs(600);
    thread.requestStop(); // does not move the time of the first request
    const DWORD start = Tr::getMillis();
    EXPECT_FALSE(thread.waitForStop());
    const DWORD took = Tr::getMillis() - start;
    EXPECT_GE(took, 80u);
    EXPECT_LT(took, 450u) << "the wait is measured from the first request, with 100 ms of grace";
    finish = true;
    EXPECT_TRUE(thread.stop());
}

TEST(BThread, AutoDeleteThreadDeletesItsOwnObjectAndStopDoesNotWait)
{
    static std::atomic<bool> deleted{false};
    static std::atomic<bool> finish{false};
    class SelfDeleting : public Tr::BThread
    {
    public:
        SelfDeleting() : BThread(false, Tr::TString("self")) {}
        ~SelfDeleting() override { deleted = true; }

    protected:
        void run() override
        {
            while (!finish)
                Tr::sleepMs(1);
        }
    };
    auto* thread = new SelfDeleting();
    thread->setAutoDelete(true);
    ASSERT_TRUE(thread->start());
    const DWORD start = Tr::getMillis();
    EXPECT_TRUE(thread->stop());
    EXPECT_LT(Tr::getMillis() - start, 100u);
    finish = true; // from here on the object is the thread's
    EXPECT_TRUE(waitFor([] { return deleted.load(); }));
}
