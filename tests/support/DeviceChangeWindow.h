// A top-level message window on a thread of its own, running a message loop,
// that records what it is sent (RecordingWindowProcedure), for tests of the
// WM_DEVICECHANGE broadcast.
#pragma once

#include "RecordingWindowProcedure.h"
#include "WaitFor.h"

#include "threads/PlatformThreads.h"
#include "windows/PlatformMessageWindows.h"

#include <algorithm>
#include <atomic>
#include <thread>

namespace TestSupport
{
class DeviceChangeWindow
{
public:
    DeviceChangeWindow()
    {
        RecordedMessages::instance().clear();
        thread_ = std::thread([this] {
            HWND window = CreateWindowExA(0, "Message", "device changes", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr,
                                          nullptr);
            SetWindowLongA(window, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(&recordingWindowProcedure));
            threadId_ = GetCurrentThreadId();
            MSG message;
            while (GetMessageA(&message, nullptr, 0, 0) > 0)
                DispatchMessageA(&message);
            DestroyWindow(window);
        });
        // Its queue exists once a posted message is taken.
        waitFor([this] { return PostThreadMessageA(threadId_, WM_USER, 0, 0) != FALSE; });
    }

    ~DeviceChangeWindow()
    {
        PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
        thread_.join();
    }

    DeviceChangeWindow(const DeviceChangeWindow&) = delete;
    DeviceChangeWindow& operator=(const DeviceChangeWindow&) = delete;

    /** How many WM_DEVICECHANGE the window's procedure got so far. */
    size_t deviceChanges() const
    {
        const auto messages = RecordedMessages::instance().get();
        return static_cast<size_t>(std::count(messages.begin(), messages.end(), WM_DEVICECHANGE));
    }

private:
    std::thread thread_;
    std::atomic<DWORD> threadId_{0};
};
} // namespace TestSupport
