// Hidden message windows on the "Window Message Thread".
#include "MessageWindow.h"
#include "Millis.h"
#include "TMessageWindowThread.h"

#include "support/RecordingWindowProcedure.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using TestSupport::waitFor;

/** Records the messages its window receives and the thread they arrive on. */
class RecordingListener : public Tr::TWndMessageListener
{
public:
    LRESULT handleMessage(HWND window, UINT message, WPARAM, LPARAM, int* handled) override
    {
        const CallMark mark(calling);
        {
            std::lock_guard<std::mutex> hold(mutex_);
            messages_.push_back(message);
        }
        lastWindow = window;
        thread = GetCurrentThreadId();
        if (message == WM_DEVICECHANGE)
        {
            ++deviceChanges;
            while (block)
                Tr::sleepMs(1);
        }
        if (handles)
            *handled = 1;
        return 0;
    }

    void onWindowCreated(HWND) override { ++createdNotices; }

    std::vector<UINT> messages()
    {
        std::lock_guard<std::mutex> hold(mutex_);
        return messages_;
    }

    std::atomic<int> deviceChanges{0};
    std::atomic<int> createdNotices{0};
    std::atomic<DWORD> thread{0};
    std::atomic<HWND> lastWindow{nullptr};
    std::atomic<bool> handles{true};
    std::atomic<bool> block{false};
    std::atomic<int> calling{0}; // calls running now

private:
    /** Counts a call as running for its scope. */
    struct CallMark
    {
        explicit CallMark(std::atomic<int>& count_) : count(count_) { ++count; }
        ~CallMark() { --count; }
        CallMark(const CallMark&) = delete;
        CallMark& operator=(const CallMark&) = delete;
        std::atomic<int>& count;
    };


    std::mutex mutex_;
    std::vector<UINT> messages_;
};

/** Acts once, from inside its first device-change call (on the message
    thread), and records every message as a RecordingListener. */
class ActingListener : public RecordingListener
{
public:
    explicit ActingListener(std::function<void(HWND)> action) : action_(std::move(action)) {}

    LRESULT handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, int* handled) override
    {
        if (message == WM_DEVICECHANGE && !entered.exchange(true))
        {
            action_(window);
            acted = true;
        }
        return RecordingListener::handleMessage(window, message, wParam, lParam, handled);
    }

    std::atomic<bool> entered{false};
    std::atomic<bool> acted{false};

private:
    std::function<void(HWND)> action_;
};

Tr::TMessageWindowThread* messageThread()
{
    Tr::BAutoLock hold(&Tr::g_messageWindowLock);
    return Tr::g_messageWindowThread;
}

/** Two listeners with a window each, both on the message thread. */
struct WindowPair
{
    RecordingListener first;
    RecordingListener second;
    HWND a = Tr::createMessageWindow(&first, Tr::TString("first"));
    HWND b = Tr::createMessageWindow(&second, Tr::TString("second"));
};

/** Keeps the message thread inside the listener's handling of a broadcast
    until release(), so that the messages posted meanwhile wait in its queue
    together. */
class BusyMessageThread
{
public:
    explicit BusyMessageThread(RecordingListener& listener) : listener_(listener)
    {
        listener_.block = true;
        const int before = listener_.deviceChanges;
        BroadcastDeviceChange();
        busy_ = waitFor([&] { return listener_.deviceChanges > before; });
    }
    ~BusyMessageThread()
    {
        release();
        if (releaser_.joinable())
            releaser_.join();
    }
    BusyMessageThread(const BusyMessageThread&) = delete;
    BusyMessageThread& operator=(const BusyMessageThread&) = delete;

    bool busy() const { return busy_; }
    void release() { listener_.block = false; }

    /** Lets the thread go on from another thread after a short while, for a
        caller that is itself about to wait for the message thread. */
    void releaseSoon()
    {
        releaser_ = std::thread([this] {
            Tr::sleepMs(50);
            release();
        });
    }

private:
    RecordingListener& listener_;
    bool busy_ = false;
    std::thread releaser_;
};

} // namespace

TEST(MessageWindow, TwoWindowsShareOneThreadThatEndsWithTheLastRelease)
{
    WindowPair pair;
    ASSERT_NE(pair.a, nullptr);
    ASSERT_NE(pair.b, nullptr);
    EXPECT_NE(pair.a, pair.b);
    Tr::TMessageWindowThread* thread = messageThread();
    ASSERT_NE(thread, nullptr);
    EXPECT_TRUE(thread->isRunning());
    EXPECT_EQ(thread->getName(), "Window Message Thread");
    const DWORD firstThreadId = thread->getThreadId();
    EXPECT_EQ(thread->windowCount(), 2);
    EXPECT_EQ(thread->windowAt(0), pair.a);
    EXPECT_EQ(thread->windowAt(1), pair.b);
    EXPECT_EQ(thread->windowAt(2), nullptr);
    EXPECT_EQ(thread->windowAt(-1), nullptr);

    Tr::releaseMessageWindow(pair.a);
    ASSERT_TRUE(waitFor([&] { return thread->windowCount() == 1; }));
    EXPECT_EQ(messageThread(), thread);
    EXPECT_TRUE(thread->isRunning());
    EXPECT_FALSE(IsWindow(pair.a));

    Tr::releaseMessageWindow(pair.b);
    EXPECT_EQ(messageThread(), nullptr);
    EXPECT_FALSE(IsWindow(pair.b));

    HWND c = Tr::createMessageWindow(&pair.first, Tr::TString("again"));
    ASSERT_NE(c, nullptr);
    ASSERT_NE(messageThread(), nullptr);
    EXPECT_NE(messageThread()->getThreadId(), firstThreadId) << "a fresh thread serves the next window";
    Tr::releaseMessageWindow(c);
    EXPECT_EQ(messageThread(), nullptr);
}

TEST(MessageWindow, ABroadcastDeviceChangeReachesEveryListenerOnTheMessageThread)
{
    WindowPair pair;
    ASSERT_NE(pair.a, nullptr);
    ASSERT_NE(pair.b, nullptr);
    EXPECT_GE(BroadcastDeviceChange(), 2);
    ASSERT_TRUE(waitFor([&] { return pair.first.deviceChanges == 1 && pair.second.deviceChanges == 1; }));
    const DWORD messageThreadId = messageThread()->getThreadId();
    EXPECT_EQ(pair.first.thread.load(), messageThreadId);
    EXPECT_EQ(pair.second.thread.load(), messageThreadId);
    EXPECT_EQ(pair.first.lastWindow.load(), pair.a);
    EXPECT_EQ(pair.second.lastWindow.load(), pair.b);
    Tr::releaseMessageWindow(pair.a);
    Tr::releaseMessageWindow(pair.b);
    EXPECT_EQ(messageThread(), nullptr);
}

TEST(MessageWindow, BackToBackReleasesEndTheThreadAndTheNextWindowComesAtOnce)
{
    WindowPair pair;
    ASSERT_NE(pair.a, nullptr);
    ASSERT_NE(pair.b, nullptr);
    // The second release comes before the thread has destroyed the first
    // window; it is still the release of the last window.
    Tr::releaseMessageWindow(pair.a);
    Tr::releaseMessageWindow(pair.b);
    EXPECT_EQ(messageThread(), nullptr);
    EXPECT_FALSE(IsWindow(pair.a));
    EXPECT_FALSE(IsWindow(pair.b));

    const DWORD start = Tr::getMillis();
    HWND c = Tr::createMessageWindow(&pair.first, Tr::TString("third"));
    EXPECT_NE(c, nullptr);
    EXPECT_LT(Tr::getMillis() - start, 1500u) << "no request waits on a thread whose loop is ending";
    Tr::releaseMessageWindow(c);
    EXPECT_EQ(messageThread(), nullptr);
}

TEST(MessageWindow, ACreationWhileADestroyIsStillQueuedGetsItsOwnWindow)
{
    WindowPair pair;
    ASSERT_NE(pair.a, nullptr);
    ASSERT_NE(pair.b, nullptr);
    Tr::TMessageWindowThread* thread = messageThread();
    RecordingListener third;
    HWND c = nullptr;
    DWORD took = 0;
    {
        BusyMessageThread busy(pair.second);
        ASSERT_TRUE(busy.busy());
        // The destroy of the first window is queued ahead of the create: the
        // list does not grow when the new window joins it.
        Tr::releaseMessageWindow(pair.a);
        busy.releaseSoon();
        const DWORD start = Tr::getMillis();
        c = Tr::createMessageWindow(&third, Tr::TString("third"));
        took = Tr::getMillis() - start;
    }
    ASSERT_NE(c, nullptr);
    EXPECT_LT(took, 1500u) << "the answer comes as soon as the request is served";
    EXPECT_EQ(thread->windowCount(), 2);
    EXPECT_EQ(thread->windowAt(1), c);
    BroadcastDeviceChange();
    ASSERT_TRUE(waitFor([&] { return third.deviceChanges == 1; }));
    EXPECT_EQ(third.lastWindow.load(), c);
    Tr::releaseMessageWindow(c);
    Tr::releaseMessageWindow(pair.b);
    EXPECT_EQ(messageThread(), nullptr);
}

TEST(MessageWindow, AListenerMayReleaseItsOwnLastWindow)
{
    ActingListener listener(Tr::releaseMessageWindow);
    HWND window = Tr::createMessageWindow(&listener, Tr::TString("self"));
    ASSERT_NE(window, nullptr);
    Tr::TMessageWindowThread* thread = messageThread();
    const DWORD endedThreadId = thread->getThreadId();
    BroadcastDeviceChange();
    // The loop ends by itself after destroying the window; the object that
    // ran it stays until the next creation replaces it.
    ASSERT_TRUE(waitFor([&] { return !thread->isRunning(); }));
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(messageThread(), thread);

    RecordingListener next;
    HWND nextWindow = Tr::createMessageWindow(&next, Tr::TString("next"));
    ASSERT_NE(nextWindow, nullptr);
    EXPECT_NE(messageThread()->getThreadId(), endedThreadId);
    Tr::releaseMessageWindow(nextWindow);
    EXPECT_EQ(messageThread(), nullptr);
}

TEST(MessageWindow, AListenerReleasingItsWindowDoesNotHoldUpACreationOnAnotherThread)
{
    // Releases its window once another thread has begun to create one.
    std::atomic<bool> creating{false};
    ActingListener listener([&creating](HWND window) {
        waitFor([&creating] { return creating.load(); });
        Tr::sleepMs(50); // the creation holds the global lock by now
        Tr::releaseMessageWindow(window);
    });
    HWND window = Tr::createMessageWindow(&listener, Tr::TString("releasing"));
    ASSERT_NE(window, nullptr);
    BroadcastDeviceChange();
    ASSERT_TRUE(waitFor([&] { return listener.entered.load(); }));

    RecordingListener other;
    creating = true;
    const DWORD start = Tr::getMillis();
    HWND created = Tr::createMessageWindow(&other, Tr::TString("created"));
    const DWORD took = Tr::getMillis() - start;
    EXPECT_NE(created, nullptr) << "the creation gave up on the busy message thread";
    EXPECT_LT(took, 1000u);
    EXPECT_TRUE(waitFor([&] { return listener.acted && !IsWindow(window); }));
    EXPECT_TRUE(IsWindow(created)) << "the release of the other window ended the loop";
    Tr::releaseMessageWindow(created);
    EXPECT_EQ(messageThread(), nullptr);
}

TEST(MessageWindow, AListenerCreatingAWindowGetsItAtOnce)
{
    RecordingListener second;
    HWND made = nullptr;
    DWORD took = 0;
    ActingListener listener([&](HWND) {
        const DWORD start = Tr::getMillis();
        made = Tr::createMessageWindow(&second, Tr::TString("made by a listener"));
        took = Tr::getMillis() - start;
    });
    HWND window = Tr::createMessageWindow(&listener, Tr::TString("creating"));
    ASSERT_NE(window, nullptr);
    BroadcastDeviceChange();
    ASSERT_TRUE(waitFor([&] { return listener.acted.load(); }));
    ASSERT_NE(made, nullptr);
    EXPECT_LT(took, 1000u);
    EXPECT_EQ(messageThread()->windowCount(), 2);
    BroadcastDeviceChange();
    EXPECT_TRUE(waitFor([&] { return second.deviceChanges == 1; }));
    Tr::releaseMessageWindow(made);
    Tr::releaseMessageWindow(window);
    EXPECT_EQ(messageThread(), nullptr);
}

TEST(MessageWindow, ADestroyMessageWithAnotherLParamDestroysNothing)
{
    RecordingListener listener;
    HWND window = Tr::createMessageWindow(&listener, Tr::TString("kept"));
    ASSERT_NE(window, nullptr);
    Tr::TMessageWindowThread* thread = messageThread();
    EXPECT_TRUE(PostThreadMessageA(thread->getThreadId(), Tr::kMessageWindowDestroy,
                                   reinterpret_cast<WPARAM>(window), 0));
    // The queue is served in order: once the broadcast arrives, the message
    // before it has been handled.
    BroadcastDeviceChange();
    ASSERT_TRUE(waitFor([&] { return listener.deviceChanges == 1; }));
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(thread->windowCount(), 1);
    EXPECT_TRUE(thread->isRunning());
    Tr::releaseMessageWindow(window);
}

TEST(MessageWindow, AHandledMessageNeverReachesThePreviousProcedure)
{
    // A window subclassed the way the message thread does it, over a
    // procedure that records what is passed on.
    using TestSupport::RecordedMessages;
    const auto previous = &TestSupport::recordingWindowProcedure;
    RecordingListener listener;
    HWND window = CreateWindowExA(0, "Message", "sub", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    SetWindowLongA(window, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
    auto* info = new Tr::TMessageWindowInfo(previous, &listener);
    SetWindowLongA(window, GWL_USERDATA, reinterpret_cast<LONG_PTR>(info)); // the window owns it now
    SetWindowLongA(window, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(&Tr::messageWindowProc));
    RecordedMessages::instance().clear();

    MSG handled{window, WM_USER + 5, 0, 0, 0};
    EXPECT_EQ(DispatchMessageA(&handled), 0);
    EXPECT_TRUE(RecordedMessages::instance().get().empty());

    listener.handles = false;
    MSG passedOn{window, WM_USER + 6, 0, 0, 0};
    EXPECT_EQ(DispatchMessageA(&passedOn), TestSupport::kRecordingProcedureResult)
        << "an unhandled message gets the previous procedure's result";
    EXPECT_EQ(RecordedMessages::instance().get(), std::vector<UINT>{WM_USER + 6});

    MSG notice{window, Tr::kMessageWindowCreatedNotice, 0, Tr::kMessageWindowCreatedNotice, 0};
    EXPECT_EQ(DispatchMessageA(&notice), 0);
    EXPECT_EQ(listener.createdNotices.load(), 1);
    MSG ordinary{window, Tr::kMessageWindowCreatedNotice, 0, 5, 0};
    DispatchMessageA(&ordinary);
    EXPECT_EQ(listener.createdNotices.load(), 1) << "2246 with another lParam is an ordinary message";
    EXPECT_EQ(listener.messages(), (std::vector<UINT>{WM_USER + 5, WM_USER + 6, Tr::kMessageWindowCreatedNotice}));

    // No message thread runs: the release destroys the window right here,
    // and the destruction's messages reach no listener.
    ASSERT_EQ(messageThread(), nullptr);
    Tr::releaseMessageWindow(window);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(listener.messages().size(), 3u);
    EXPECT_EQ(RecordedMessages::instance().get(),
              (std::vector<UINT>{WM_USER + 6, Tr::kMessageWindowCreatedNotice, WM_DESTROY, WM_NCDESTROY}));
    Tr::releaseMessageWindow(nullptr);
}

TEST(MessageWindow, AReleasedWindowsListenerHearsNothingMore)
{
    WindowPair pair;
    ASSERT_NE(pair.a, nullptr);
    ASSERT_NE(pair.b, nullptr);
    Tr::releaseMessageWindow(pair.b);
    BroadcastDeviceChange();
    ASSERT_TRUE(waitFor([&] { return pair.first.deviceChanges == 1; }));
    EXPECT_TRUE(pair.second.messages().empty()) << "not even the destruction's own messages";
    Tr::releaseMessageWindow(pair.a);
}

TEST(MessageWindow, AWindowRequestedTooLateIsNeverMadeForItsGoneListener)
{
    RecordingListener busy;
    HWND busyWindow = Tr::createMessageWindow(&busy, Tr::TString("busy"));
    ASSERT_NE(busyWindow, nullptr);
    Tr::TMessageWindowThread* thread = messageThread();

    {
        // Keep the message thread busy past the requester's 2000 polls.
        BusyMessageThread holding(busy);
        ASSERT_TRUE(holding.busy());
        RecordingListener late;
        EXPECT_EQ(Tr::createMessageWindow(&late, Tr::TString("late")), nullptr);
    } // the late listener is gone, and the thread goes on

    RecordingListener next;
    HWND nextWindow = Tr::createMessageWindow(&next, Tr::TString("next"));
    ASSERT_NE(nextWindow, nullptr);
    EXPECT_EQ(thread->windowCount(), 2) << "no window was made for the abandoned request";
    BroadcastDeviceChange();
    ASSERT_TRUE(waitFor([&] { return next.deviceChanges == 1; }));
    EXPECT_EQ(next.lastWindow.load(), nextWindow) << "the answer belongs to its own request";
    Tr::releaseMessageWindow(nextWindow);
    Tr::releaseMessageWindow(busyWindow);
    EXPECT_EQ(messageThread(), nullptr);
}

TEST(MessageWindow, ARequestQueuedBehindTheEndOfTheLoopIsAnsweredAtOnce)
{
    RecordingListener busy;
    HWND busyWindow = Tr::createMessageWindow(&busy, Tr::TString("busy"));
    ASSERT_NE(busyWindow, nullptr);
    const DWORD endedThreadId = messageThread()->getThreadId();

    RecordingListener late;
    HWND lateWindow = nullptr;
    DWORD took = 0;
    {
        BusyMessageThread holding(busy);
        ASSERT_TRUE(holding.busy());
        // The platform's quit message ends the loop before it reaches the
        // create request; the request is freed all the same.
        ASSERT_TRUE(PostThreadMessageA(endedThreadId, WM_QUIT, 0, 0));
        holding.releaseSoon();
        const DWORD start = Tr::getMillis();
        lateWindow = Tr::createMessageWindow(&late, Tr::TString("late"));
        took = Tr::getMillis() - start;
    }
    EXPECT_EQ(lateWindow, nullptr);
    EXPECT_LT(took, 1500u) << "a loop that has ended is not waited for";
    EXPECT_TRUE(late.messages().empty());
    EXPECT_FALSE(IsWindow(busyWindow)) << "the ended loop destroyed its windows";

    RecordingListener next;
    HWND nextWindow = Tr::createMessageWindow(&next, Tr::TString("next"));
    ASSERT_NE(nextWindow, nullptr);
    EXPECT_NE(messageThread()->getThreadId(), endedThreadId) << "a fresh thread serves the next window";
    Tr::releaseMessageWindow(nextWindow);
    EXPECT_EQ(messageThread(), nullptr);
}

TEST(MessageWindow, AReleaseFromAnotherThreadWaitsForTheListenersCallAndNoCallStartsAfterIt)
{
    for (const bool last : {false, true})
    {
        SCOPED_TRACE(last ? "its last window" : "another window remains");
        RecordingListener keeper;
        HWND kept = last ? nullptr : Tr::createMessageWindow(&keeper, Tr::TString("kept"));
        RecordingListener listener;
        HWND window = Tr::createMessageWindow(&listener, Tr::TString("released"));
        ASSERT_NE(window, nullptr);
        listener.block = true;
        BroadcastDeviceChange();
        ASSERT_TRUE(waitFor([&] { return listener.deviceChanges == 1; }));
        BroadcastDeviceChange(); // queued behind the running call, ahead of the release

        std::atomic<bool> released{false};
        std::atomic<int> callingAtRelease{-1};
        std::thread releaser([&] {
            Tr::releaseMessageWindow(window);
            callingAtRelease = listener.calling.load();
            released = true;
        });
        // Longer than the release of the last window waits for the loop to end.
        Tr::sleepMs(700);
        EXPECT_FALSE(released) << "the release returned while the listener's call still ran";
        listener.block = false;
        releaser.join();
        EXPECT_EQ(callingAtRelease.load(), 0);
        if (kept != nullptr)
        {
            BroadcastDeviceChange();
            ASSERT_TRUE(waitFor([&] { return keeper.deviceChanges == 3; })) << "every broadcast was served";
            Tr::releaseMessageWindow(kept);
        }
        EXPECT_EQ(messageThread(), nullptr);
        EXPECT_EQ(listener.deviceChanges.load(), 1) << "a call started after the release";
    }
}

TEST(MessageWindow, AListenerReleasingItsOwnWindowHearsNothingAfterItsCall)
{
    RecordingListener keeper;
    HWND kept = Tr::createMessageWindow(&keeper, Tr::TString("kept"));
    ActingListener listener([](HWND window) {
        BroadcastDeviceChange(); // queued ahead of the window's destruction
        Tr::releaseMessageWindow(window);
    });
    HWND window = Tr::createMessageWindow(&listener, Tr::TString("self"));
    ASSERT_NE(window, nullptr);
    BroadcastDeviceChange();
    ASSERT_TRUE(waitFor([&] { return listener.acted && !IsWindow(window); }));
    BroadcastDeviceChange();
    ASSERT_TRUE(waitFor([&] { return keeper.deviceChanges == 3; }));
    EXPECT_EQ(listener.deviceChanges.load(), 1);
    Tr::releaseMessageWindow(kept);
    EXPECT_EQ(messageThread(), nullptr);
}
