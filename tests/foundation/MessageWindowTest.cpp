// Hidden message windows on the "Window Message Thread".
#include "MessageWindow.h"
#include "Millis.h"
#include "TMessageWindowThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <vector>

namespace {

bool waitFor(const std::function<bool()>& condition, DWORD limitMs = 5000)
{
    const DWORD start = Tr::getMillis();
    while (!condition())
    {
        if (Tr::getMillis() - start > limitMs)
            return false;
        Tr::sleepMs(1);
    }
    return true;
}

/** Records the messages its window receives and the thread they arrive on. */
class RecordingListener : public Tr::TWndMessageListener
{
public:
    LRESULT handleMessage(HWND window, UINT message, WPARAM, LPARAM, int* handled) override
    {
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

private:
    std::mutex mutex_;
    std::vector<UINT> messages_;
};

Tr::TMessageWindowThread* messageThread()
{
    Tr::BAutoLock hold(&Tr::g_messageWindowLock);
    return Tr::g_messageWindowThread;
}

std::vector<UINT> g_previousSaw;

LRESULT CALLBACK previousProcedure(HWND, UINT message, WPARAM, LPARAM)
{
    g_previousSaw.push_back(message);
    return 77;
}

} // namespace

TEST(MessageWindow, TwoWindowsShareOneThreadThatEndsWithTheLastRelease)
{
    RecordingListener first;
    RecordingListener second;
    HWND a = Tr::createMessageWindow(&first, Tr::TString("first"));
    ASSERT_NE(a, nullptr);
    Tr::TMessageWindowThread* thread = messageThread();
    ASSERT_NE(thread, nullptr);
    EXPECT_TRUE(thread->isRunning());
    EXPECT_EQ(thread->getName(), "Window Message Thread");
    const DWORD firstThreadId = thread->getThreadId();

    HWND b = Tr::createMessageWindow(&second, Tr::TString("second"));
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a, b);
    EXPECT_EQ(messageThread(), thread);
    EXPECT_EQ(thread->windowCount(), 2);
    EXPECT_EQ(thread->windowAt(0), a);
    EXPECT_EQ(thread->windowAt(1), b);
    EXPECT_EQ(thread->windowAt(2), nullptr);
    EXPECT_EQ(thread->windowAt(-1), nullptr);

    Tr::releaseMessageWindow(a);
    ASSERT_TRUE(waitFor([&] { return thread->windowCount() == 1; }));
    EXPECT_EQ(messageThread(), thread);
    EXPECT_TRUE(thread->isRunning());
    EXPECT_FALSE(IsWindow(a));

    Tr::releaseMessageWindow(b);
    EXPECT_EQ(messageThread(), nullptr);
    EXPECT_FALSE(IsWindow(b));

    HWND c = Tr::createMessageWindow(&first, Tr::TString("again"));
    ASSERT_NE(c, nullptr);
    ASSERT_NE(messageThread(), nullptr);
    EXPECT_NE(messageThread()->getThreadId(), firstThreadId) << "a fresh thread serves the next window";
    Tr::releaseMessageWindow(c);
    EXPECT_EQ(messageThread(), nullptr);
}

TEST(MessageWindow, ABroadcastDeviceChangeReachesEveryListenerOnTheMessageThread)
{
    RecordingListener first;
    RecordingListener second;
    HWND a = Tr::createMessageWindow(&first, Tr::TString("first"));
    HWND b = Tr::createMessageWindow(&second, Tr::TString("second"));
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_GE(BroadcastDeviceChange(), 2);
    ASSERT_TRUE(waitFor([&] { return first.deviceChanges == 1 && second.deviceChanges == 1; }));
    const DWORD messageThreadId = messageThread()->getThreadId();
    EXPECT_EQ(first.thread.load(), messageThreadId);
    EXPECT_EQ(second.thread.load(), messageThreadId);
    EXPECT_EQ(first.lastWindow.load(), a);
    EXPECT_EQ(second.lastWindow.load(), b);
    Tr::releaseMessageWindow(a);
    Tr::releaseMessageWindow(b);
    EXPECT_EQ(messageThread(), nullptr);
}

TEST(MessageWindow, BackToBackReleasesEndTheThreadAndTheNextWindowComesAtOnce)
{
    RecordingListener first;
    RecordingListener second;
    HWND a = Tr::createMessageWindow(&first, Tr::TString("first"));
    HWND b = Tr::createMessageWindow(&second, Tr::TString("second"));
    ASSERT_NE(b, nullptr);
    // The second release comes before the thread has destroyed the first
    // window; it is still the release of the last window.
    Tr::releaseMessageWindow(a);
    Tr::releaseMessageWindow(b);
    EXPECT_EQ(messageThread(), nullptr);
    EXPECT_FALSE(IsWindow(a));
    EXPECT_FALSE(IsWindow(b));

    const DWORD start = Tr::getMillis();
    HWND c = Tr::createMessageWindow(&first, Tr::TString("third"));
    EXPECT_NE(c, nullptr);
    EXPECT_LT(Tr::getMillis() - start, 1500u) << "no request waits on a thread whose loop is ending";
    Tr::releaseMessageWindow(c);
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
    RecordingListener listener;
    HWND window = CreateWindowExA(0, "Message", "sub", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    SetWindowLongA(window, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(&previousProcedure));
    auto* info = new Tr::TMessageWindowInfo(&previousProcedure, &listener);
    SetWindowLongA(window, GWL_USERDATA, reinterpret_cast<LONG_PTR>(info)); // the window owns it now
    SetWindowLongA(window, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(&Tr::messageWindowProc));
    g_previousSaw.clear();

    MSG handled{window, WM_USER + 5, 0, 0, 0};
    EXPECT_EQ(DispatchMessageA(&handled), 0);
    EXPECT_TRUE(g_previousSaw.empty());

    listener.handles = false;
    MSG passedOn{window, WM_USER + 6, 0, 0, 0};
    EXPECT_EQ(DispatchMessageA(&passedOn), 77) << "an unhandled message gets the previous procedure's result";
    EXPECT_EQ(g_previousSaw, std::vector<UINT>{WM_USER + 6});

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
    EXPECT_EQ(g_previousSaw,
              (std::vector<UINT>{WM_USER + 6, Tr::kMessageWindowCreatedNotice, WM_DESTROY, WM_NCDESTROY}));
    Tr::releaseMessageWindow(nullptr);
}

TEST(MessageWindow, AReleasedWindowsListenerHearsNothingMore)
{
    RecordingListener kept;
    RecordingListener released;
    HWND keptWindow = Tr::createMessageWindow(&kept, Tr::TString("kept"));
    HWND releasedWindow = Tr::createMessageWindow(&released, Tr::TString("released"));
    ASSERT_NE(keptWindow, nullptr);
    ASSERT_NE(releasedWindow, nullptr);
    Tr::releaseMessageWindow(releasedWindow);
    BroadcastDeviceChange();
    ASSERT_TRUE(waitFor([&] { return kept.deviceChanges == 1; }));
    EXPECT_TRUE(released.messages().empty()) << "not even the destruction's own messages";
    Tr::releaseMessageWindow(keptWindow);
}

TEST(MessageWindow, AWindowRequestedTooLateIsNeverMadeForItsGoneListener)
{
    RecordingListener busy;
    HWND busyWindow = Tr::createMessageWindow(&busy, Tr::TString("busy"));
    ASSERT_NE(busyWindow, nullptr);
    Tr::TMessageWindowThread* thread = messageThread();

    // Keep the message thread busy past the requester's 2000 polls.
    busy.block = true;
    BroadcastDeviceChange();
    ASSERT_TRUE(waitFor([&] { return busy.deviceChanges == 1; }));
    {
        RecordingListener late;
        EXPECT_EQ(Tr::createMessageWindow(&late, Tr::TString("late")), nullptr);
    } // the late listener is gone
    busy.block = false;

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
