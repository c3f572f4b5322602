// Tr::MIDIDevChangeNotifier on a real message loop: device-change broadcasts
// gathered into one rescan, and a notifier destroyed while they arrive.
#include "MIDIDevChangeNotifier.h"

#include "MessageWindow.h"
#include "MidiManager.h"

#include "support/MessageLoop.h"
#include "support/MidiManagerTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

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

TEST_F(MIDIDevChangeNotifier, NothingReachesANotifierDestroyedWhileNotificationsArrive)
{
    // Another window keeps the message thread alive, so the notifier's window
    // is destroyed later, in turn with the broadcasts queued before it.
    QuietListener quiet;
    HWND other = Tr::createMessageWindow(&quiet, Tr::TString("other"));
    ASSERT_NE(other, nullptr);
    resume();
    std::atomic<bool> stop{false};
    std::thread broadcaster([&] {
        while (!stop)
        {
            BroadcastDeviceChange();
            Tr::sleepMs(0);
        }
    });
    runLoopFor(50);
    Tr::AutoDelete::deleteAll(); // the manager deletes its notifier
    runLoopFor(100);
    stop = true;
    broadcaster.join();
    runLoopFor(2500); // no tick of a timer that is gone
    Tr::releaseMessageWindow(other);
    EXPECT_FALSE(Tr::MidiManager::exists());
}
