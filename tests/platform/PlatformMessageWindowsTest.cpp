// Message-only windows, thread queues and the device-change broadcast.
#include "threads/PlatformThreads.h"
#include "windows/PlatformMessageWindows.h"

#include "support/RecordingWindowProcedure.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

/** A thread running a message loop with its own windows, made on it. */
class LoopThread
{
public:
    explicit LoopThread(int windows)
    {
        thread_ = std::thread([this, windows] { loop(windows); });
        while (!ready_)
            Sleep(1);
        while (!PostThreadMessageA(id_, WM_USER, 0, 0)) // the queue is up
            Sleep(1);
    }
    ~LoopThread()
    {
        PostThreadMessageA(id_, WM_QUIT, 0, 0);
        thread_.join();
    }

    DWORD id() const { return id_; }
    HWND window(int index) const { return windows_[index]; }

    static std::atomic<int> deviceChanges;
    static std::atomic<DWORD> deliveredOn;
    static std::atomic<int> returnedByGetMessage;

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_DEVICECHANGE)
        {
            ++deviceChanges;
            deliveredOn = GetCurrentThreadId();
            if (lParam == 1)
                BroadcastDeviceChange(DBT_DEVNODES_CHANGED, 2); // from inside: never waits
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }

    void loop(int windows)
    {
        for (int i = 0; i < windows; ++i)
        {
            HWND window = CreateWindowExA(0, "Message", "loop", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
            SetWindowLongA(window, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(&procedure));
            windows_.push_back(window);
        }
        id_ = GetCurrentThreadId();
        ready_ = true;
        MSG message{};
        while (GetMessageA(&message, nullptr, 0, 0) > 0)
        {
            if (message.message == WM_DEVICECHANGE)
                ++returnedByGetMessage;
            DispatchMessageA(&message);
        }
    }

    std::thread thread_;
    std::vector<HWND> windows_;
    std::atomic<DWORD> id_{0};
    std::atomic<bool> ready_{false};
};

std::atomic<int> LoopThread::deviceChanges{0};
std::atomic<DWORD> LoopThread::deliveredOn{0};
std::atomic<int> LoopThread::returnedByGetMessage{0};

} // namespace

TEST(PlatformMessageWindows, PostingToAThreadFailsUntilItsFirstGetMessage)
{
    std::atomic<DWORD> id{0};
    std::atomic<bool> mayWait{false};
    MSG received{};
    std::thread receiver([&] {
        id = GetCurrentThreadId();
        while (!mayWait)
            Sleep(1);
        GetMessageA(&received, nullptr, 0, 0);
    });
    while (id == 0)
        Sleep(1);
    EXPECT_FALSE(PostThreadMessageA(id, WM_USER + 1, 7, 8));
    mayWait = true;
    ASSERT_TRUE(TestSupport::waitFor([&] { return PostThreadMessageA(id, WM_USER + 1, 7, 8) != FALSE; }));
    receiver.join();
    EXPECT_EQ(received.hwnd, nullptr);
    EXPECT_EQ(received.message, WM_USER + 1);
    EXPECT_EQ(received.wParam, 7u);
    EXPECT_EQ(received.lParam, 8);
    EXPECT_FALSE(PostThreadMessageA(id, WM_USER, 0, 0)) << "the queue ends with its thread";
}

TEST(PlatformMessageWindows, GetMessageAnswersZeroForTheQuitMessage)
{
    LoopThread loop(0); // its loop ends on WM_QUIT: the destructor would hang otherwise
    EXPECT_NE(loop.id(), 0u);
}

TEST(PlatformMessageWindows, OnlyTheMessageClassMakesWindowsAndTheirSlotsHoldPointers)
{
    EXPECT_EQ(CreateWindowExA(0, "Button", "x", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr), nullptr);
    HWND window = CreateWindowExA(0, "Message", "x", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(GetWindowLongA(window, GWL_WNDPROC), reinterpret_cast<LONG_PTR>(&DefWindowProcA));
    EXPECT_EQ(GetWindowLongA(window, GWL_USERDATA), 0);

    const LONG_PTR wide = static_cast<LONG_PTR>(0x123456789abcLL);
    EXPECT_EQ(SetWindowLongA(window, GWL_USERDATA, wide), 0);
    EXPECT_EQ(SetWindowLongA(window, GWL_USERDATA, 1), wide) << "answers the previous value, pointer-sized";

    TestSupport::RecordedMessages::instance().clear();
    SetWindowLongA(window, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(&TestSupport::recordingWindowProcedure));
    MSG message{window, WM_USER + 3, 0, 0, 0};
    EXPECT_EQ(DispatchMessageA(&message), TestSupport::kRecordingProcedureResult);
    EXPECT_EQ(CallWindowProcA(&TestSupport::recordingWindowProcedure, window, WM_USER + 4, 0, 0),
              TestSupport::kRecordingProcedureResult);

    EXPECT_TRUE(DestroyWindow(window));
    EXPECT_EQ(TestSupport::RecordedMessages::instance().get(),
              (std::vector<UINT>{WM_USER + 3, WM_USER + 4, WM_DESTROY, WM_NCDESTROY}));
    EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(DestroyWindow(window));
    EXPECT_EQ(GetWindowLongA(window, GWL_USERDATA), 0);
    EXPECT_EQ(DispatchMessageA(&message), 0) << "a destroyed window receives nothing";
}

TEST(PlatformMessageWindows, BroadcastReachesEveryTopLevelWindowInsideGetMessageOnItsThread)
{
    LoopThread::deviceChanges = 0;
    LoopThread::returnedByGetMessage = 0;
    LoopThread loop(2);
    EXPECT_EQ(BroadcastDeviceChange(), 2);
    ASSERT_TRUE(TestSupport::waitFor([] { return LoopThread::deviceChanges == 2; }));
    EXPECT_EQ(LoopThread::deliveredOn.load(), loop.id());
    EXPECT_EQ(LoopThread::returnedByGetMessage.load(), 0) << "sent messages are not handed out by GetMessageA";
}

TEST(PlatformMessageWindows, BroadcastFromTheWindowThreadItselfDoesNotWait)
{
    LoopThread::deviceChanges = 0;
    LoopThread loop(1);
    EXPECT_EQ(BroadcastDeviceChange(DBT_DEVNODES_CHANGED, 1), 1);
    ASSERT_TRUE(TestSupport::waitFor([] { return LoopThread::deviceChanges == 2; }));
}

TEST(PlatformMessageWindows, BroadcastSkipsDestroyedWindowsAndWindowsOfEndedThreads)
{
    LoopThread::deviceChanges = 0;
    HWND left = nullptr;
    {
        LoopThread loop(2);
        left = loop.window(1);
        // Destroying from another thread is allowed; the window leaves at once.
        EXPECT_TRUE(DestroyWindow(loop.window(0)));
        EXPECT_EQ(BroadcastDeviceChange(), 1);
        ASSERT_TRUE(TestSupport::waitFor([] { return LoopThread::deviceChanges == 1; }));
    }
    EXPECT_FALSE(IsWindow(left)) << "the windows of an ended thread go with it";
    EXPECT_EQ(BroadcastDeviceChange(), 0);
}
