// Tr::MIDIDevChangeNotifier on a real message loop: device-change broadcasts
// gathered into one rescan, polling without a window, and a notifier
// destroyed while broadcasts arrive.
#include "MIDIDevChangeNotifier.h"

#include "MessageWindow.h"
#include "MidiManager.h"

#include "support/MessageLoop.h"
#include "support/MidiManagerTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

using TestSupport::CountingDeviceListListener;
using TestSupport::runLoopFor;
using TestSupport::runLoopUntil;

namespace
{
using MIDIDevChangeNotifier = TestSupport::MidiManagerTest;

// A listener for a window of its own, which ignores everything.
class QuietListener : public Tr::TWndMessageListener
{
public:
    LRESULT handleMessage(HWND, UINT, WPARAM, LPARAM, int*) override { return 0; }
};

// No message window can be made while it lives.
class RefusedWindows
{
public:
    RefusedWindows() : previous_(Tr::setMessageWindowMaker(&refuse)) {}
    ~RefusedWindows() { Tr::setMessageWindowMaker(previous_); }
    RefusedWindows(const RefusedWindows&) = delete;
    RefusedWindows& operator=(const RefusedWindows&) = delete;

private:
    static HWND refuse(const char*) { return nullptr; }
    Tr::MessageWindowMaker previous_;
};

// Refuses the windows until the derived fixture's body runs.
struct WindowsRefusedAtFirst
{
    std::optional<RefusedWindows> refused{std::in_place};
};

// The manager's own notifier got no window and polls (every 10 s, without
// force: nothing is told while the ports stay), so only a notifier that the
// test makes rescans on a broadcast.
class MIDIDevChangeNotifierBesideAPoller : private WindowsRefusedAtFirst, public TestSupport::MidiManagerTest
{
protected:
    MIDIDevChangeNotifierBesideAPoller() { refused.reset(); }
};
} // namespace

TEST_F(MIDIDevChangeNotifier, ABurstOfNotificationsGivesOneRescanTwoSecondsAfterItsLast)
{
    factory->addOutput("A");
    resume();
    CountingDeviceListListener list;
    manager->addDeviceListListener(&list);
    DWORD rescannedAt = 0;
    list.action = [&] { rescannedAt = Tr::getMillis(); };

    DWORD lastNotice = 0;
    for (int i = 0; i < 10; ++i)
    {
        if (i > 0)
            runLoopFor(100);
        ASSERT_GE(BroadcastDeviceChange(), 1);
        lastNotice = Tr::getMillis();
    }
    EXPECT_EQ(list.count, 0) << "nothing before the burst is over";
    ASSERT_TRUE(runLoopUntil([&] { return list.count >= 1; }, 8000));
    const DWORD delay = rescannedAt - lastNotice;
    EXPECT_GE(delay, 1500u);
    EXPECT_LE(delay, 5000u);
    runLoopFor(2500);
    EXPECT_EQ(list.count, 1) << "the timer fires once per burst";
}

TEST_F(MIDIDevChangeNotifier, ASuspendedManagersTickRescansNothing)
{
    factory->addOutput("A");
    CountingDeviceListListener list;
    manager->addDeviceListListener(&list);
    ASSERT_GE(BroadcastDeviceChange(), 1);
    runLoopFor(3000);
    EXPECT_EQ(list.count, 0);
    EXPECT_EQ(factory->enumerateCount(), 0);
    EXPECT_EQ(manager->getDeviceCount(false), 0);
}

TEST_F(MIDIDevChangeNotifier, WithoutAWindowItPollsEveryTenSecondsWithoutForce)
{
    factory->addOutput("A");
    resume();
    CountingDeviceListListener list;
    manager->addDeviceListListener(&list);
    std::unique_ptr<Tr::MIDIDevChangeNotifier> poller;
    {
        const RefusedWindows refused;
        poller = std::make_unique<Tr::MIDIDevChangeNotifier>();
        EXPECT_FALSE(poller->init());
    }
    EXPECT_TRUE(poller->isPolling());
    EXPECT_FALSE(poller->hasWindow());
    const Tr::TTimer* timer = poller->getTimer();
    ASSERT_NE(timer, nullptr) << "polling starts at once";
    EXPECT_EQ(timer->getName(), "MIDIDevChange Poller");
    EXPECT_EQ(timer->getInterval(), 10000);
    EXPECT_TRUE(timer->isRunning());

    // Its ticks, as the message loop brings them: the first one re-reads
    // the factory's lists (a forced rescan would tell the listeners even so).
    replug();
    const int reads = factory->enumerateCount();
    ASSERT_TRUE(runLoopUntil([&] { return factory->enumerateCount() > reads; }, 15000)) << "the poller never ticked";
    EXPECT_EQ(list.count, 0) << "not forced: an unchanged device count changes nothing";
    EXPECT_TRUE(timer->isRunning()) << "a poller keeps ticking";
    factory->addOutput("B");
    replug();
    ASSERT_TRUE(runLoopUntil([&] { return list.count >= 1; }, 15000)) << "no second tick";
    EXPECT_EQ(list.count, 1);
    EXPECT_EQ(records(false), (std::vector<std::string>{"A", "B"}));
}

TEST_F(MIDIDevChangeNotifierBesideAPoller, NoRescanComesFromANotifierDestroyedWhileNotificationsArrive)
{
    factory->addOutput("A");
    resume();
    CountingDeviceListListener list;
    manager->addDeviceListListener(&list);
    // Another window keeps the message thread alive, so the notifier's
    // window is destroyed later, in turn with the broadcasts queued before it.
    QuietListener quiet;
    HWND other = Tr::createMessageWindow(&quiet, Tr::TString("other"));
    ASSERT_NE(other, nullptr);
    auto notifier = std::make_unique<Tr::MIDIDevChangeNotifier>();
    ASSERT_TRUE(notifier->init());
    ASSERT_GE(BroadcastDeviceChange(), 2);
    ASSERT_TRUE(runLoopUntil([&] { return list.count == 1; }, 8000)) << "the living notifier rescans";

    std::atomic<bool> stop{false};
    std::thread broadcaster([&] {
        while (!stop)
        {
            BroadcastDeviceChange();
            Tr::sleepMs(0);
        }
    });
    runLoopFor(50);
    notifier.reset();
    runLoopFor(100);
    stop = true;
    broadcaster.join();
    runLoopFor(2500); // longer than a burst's wait for its rescan
    EXPECT_EQ(list.count, 1) << "a rescan came from the notifier that is gone";
    Tr::releaseMessageWindow(other);
}
