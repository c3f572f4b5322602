// Polls a condition with 1 ms sleeps until it holds or a time limit passes.
#pragma once

#include "threads/PlatformThreads.h"

#include <functional>

namespace TestSupport
{
/** True as soon as the condition holds; false when it still does not after
    limitMs milliseconds (generous by default: a loaded machine is slow, and
    a condition that holds ends the wait at once). */
inline bool waitFor(const std::function<bool()>& condition, DWORD limitMs = 5000)
{
    const DWORD start = timeGetTime();
    while (!condition())
    {
        if (timeGetTime() - start > limitMs)
            return false;
        Sleep(1);
    }
    return true;
}
} // namespace TestSupport
