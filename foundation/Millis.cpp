#include "Millis.h"

#include "threads/PlatformThreads.h"

namespace Tr {

namespace {

/** The platform clock's value at the first call (made once, thread-safe). */
DWORD clockOrigin()
{
    static const DWORD origin = [] {
        const DWORD now = timeGetTime();
        timeBeginPeriod(1);
        return now;
    }();
    return origin;
}

} // namespace

DWORD getMillis()
{
    const DWORD origin = clockOrigin();
    return timeGetTime() - origin;
}

void sleepMs(DWORD ms)
{
    Sleep(ms);
}

} // namespace Tr
