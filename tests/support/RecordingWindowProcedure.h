// A window procedure for tests that records the messages it is given.
#pragma once

#include "windows/PlatformMessageWindows.h"

#include <mutex>
#include <vector>

namespace TestSupport
{
/** The messages recordingWindowProcedure has been given, in order, from
    whichever thread it ran on. */
class RecordedMessages
{
public:
    static RecordedMessages& instance()
    {
        static RecordedMessages recorded;
        return recorded;
    }

    void add(UINT message)
    {
        std::lock_guard<std::mutex> hold(mutex_);
        messages_.push_back(message);
    }

    std::vector<UINT> get()
    {
        std::lock_guard<std::mutex> hold(mutex_);
        return messages_;
    }

    void clear()
    {
        std::lock_guard<std::mutex> hold(mutex_);
        messages_.clear();
    }

private:
    std::mutex mutex_;
    std::vector<UINT> messages_;
};

/** What recordingWindowProcedure answers for every message. */
constexpr LRESULT kRecordingProcedureResult = 42;

/** Records the message number and answers kRecordingProcedureResult. */
inline LRESULT CALLBACK recordingWindowProcedure(HWND, UINT message, WPARAM, LPARAM)
{
    RecordedMessages::instance().add(message);
    return kRecordingProcedureResult;
}
} // namespace TestSupport
