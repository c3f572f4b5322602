// Tr::TTimer through Tr::JuceTimer and Tr::createTimer, on a headless
// message loop.
#include "JuceTimer.h"
#include "Millis.h"

#include "support/MessageLoop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

namespace {

/** Counts ticks and runs an optional action in each. */
class CountingListener : public Tr::TTimerListener
{
public:
    void onTimer() override
    {
        ++ticks;
        onMessageThread = onMessageThread && juce::MessageManager::getInstance()->isThisTheMessageThread();
        lastTick = Tr::getMillis();
        if (action)
            action();
    }

    std::atomic<int> ticks{0};
    std::atomic<bool> onMessageThread{true};
    std::atomic<DWORD> lastTick{0};
    std::function<void()> action;
};

class JuceTimerTest : public ::testing::Test
{
protected:
    bool runUntil(const std::function<bool()>& condition) { return TestSupport::runLoopUntil(condition); }
    void runFor(DWORD ms) { TestSupport::runLoopFor(ms); }

    juce::ScopedJuceInitialiser_GUI juce_;
    CountingListener listener_;
};

} // namespace

TEST_F(JuceTimerTest, CreateTimerGivesAStoppedNamedTimerOf1000Ms)
{
    std::unique_ptr<Tr::TTimer> timer(Tr::createTimer(&listener_, Tr::TString("poller")));
    EXPECT_FALSE(timer->isRunning());
    EXPECT_EQ(timer->getInterval(), 1000);
    EXPECT_EQ(timer->getName(), "poller");
    EXPECT_NE(dynamic_cast<Tr::JuceTimer*>(timer.get()), nullptr);

    timer->setInterval(2000);
    EXPECT_FALSE(timer->isRunning()) << "setting the interval of a stopped timer only stores it";
    EXPECT_EQ(timer->getInterval(), 2000);
    timer->setRunning(false);
    EXPECT_FALSE(timer->isRunning());
}

TEST_F(JuceTimerTest, ARunningTimerTicksOnTheMessageThreadUntilStopped)
{
    std::unique_ptr<Tr::TTimer> timer(Tr::createTimer(&listener_, Tr::TString()));
    timer->setInterval(20);
    std::thread starter([&] { timer->setRunning(true); }); // any thread may start it
    starter.join();
    EXPECT_TRUE(timer->isRunning());
    ASSERT_TRUE(runUntil([&] { return listener_.ticks >= 3; }));
    EXPECT_TRUE(listener_.onMessageThread);
    timer->setRunning(false);
    const int ticks = listener_.ticks;
    runFor(100);
    EXPECT_EQ(listener_.ticks.load(), ticks);
}

TEST_F(JuceTimerTest, SettingTheIntervalOfARunningTimerRestartsTheCountdown)
{
    std::unique_ptr<Tr::TTimer> timer(Tr::createTimer(&listener_, Tr::TString()));
    timer->setInterval(400);
    timer->setRunning(true);
    runFor(250);
    ASSERT_EQ(listener_.ticks.load(), 0);
    timer->setInterval(400); // the same value restarts it too
    const DWORD restarted = Tr::getMillis();
    ASSERT_TRUE(runUntil([&] { return listener_.ticks >= 1; }));
    // Without the restart the tick would come about 150 ms from here; the
    // toolkit's timer thread counts in steps of up to 100 ms.
    EXPECT_GE(listener_.lastTick - restarted, 280u) << "the next tick comes a full interval after the restart";
}

TEST_F(JuceTimerTest, StartingARunningTimerDoesNotRestartIt)
{
    std::unique_ptr<Tr::TTimer> timer(Tr::createTimer(&listener_, Tr::TString()));
    timer->setInterval(150);
    timer->setRunning(true);
    // Were every start a restart, these repeated starts would never let it fire.
    const DWORD start = Tr::getMillis();
    while (Tr::getMillis() - start < 1000 && listener_.ticks == 0)
    {
        timer->setRunning(true);
        runFor(40);
    }
    EXPECT_GE(listener_.ticks.load(), 1);
}

TEST_F(JuceTimerTest, StoppingItselfInOnTimerGivesExactlyOneCallback)
{
    std::unique_ptr<Tr::TTimer> timer(Tr::createTimer(&listener_, Tr::TString()));
    listener_.action = [&] { timer->setRunning(false); };
    timer->setInterval(10);
    timer->setRunning(true);
    ASSERT_TRUE(runUntil([&] { return listener_.ticks >= 1; }));
    runFor(150);
    EXPECT_EQ(listener_.ticks.load(), 1);
    EXPECT_FALSE(timer->isRunning());
}

TEST_F(JuceTimerTest, ATimerWithoutListenerFiresIntoNothingAndKeepsRunning)
{
    std::unique_ptr<Tr::TTimer> timer(Tr::createTimer(nullptr, Tr::TString()));
    timer->setInterval(10);
    timer->setRunning(true);
    runFor(80);
    EXPECT_TRUE(timer->isRunning());
}

TEST_F(JuceTimerTest, NoCallbackArrivesAfterARunningTimerIsDeleted)
{
    std::unique_ptr<Tr::TTimer> timer(Tr::createTimer(&listener_, Tr::TString()));
    timer->setInterval(10);
    timer->setRunning(true);
    ASSERT_TRUE(runUntil([&] { return listener_.ticks >= 1; }));
    timer.reset();
    const int ticks = listener_.ticks;
    runFor(80);
    EXPECT_EQ(listener_.ticks.load(), ticks);
}
