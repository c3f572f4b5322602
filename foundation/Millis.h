// The library's millisecond clock and sleep.
#pragma once

#include "PlatformTypes.h"

namespace Tr {

/** Milliseconds since the first call of this function in the process, as an
    unsigned 32-bit number that wraps after about 49.7 days: compare times
    only by unsigned differences. The first call also asks the platform for
    1 ms timer resolution, for the rest of the process. */
DWORD getMillis();

/** Sleeps the calling thread for ms milliseconds. */
void sleepMs(DWORD ms);

} // namespace Tr
