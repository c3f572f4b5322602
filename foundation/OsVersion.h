// The operating-system version, queried once per run.
#pragma once

#include <cstdint>

namespace Tr {

/** The process-wide version record. A negative platform id means that no
    query was made yet; 5.1 stays in force when the query fails. */
struct TOsVersion
{
    int32_t platformId = -1;
    int32_t major = 5;
    int32_t minor = 1;
};

extern TOsVersion g_osVersion;

/** Fills g_osVersion on the first call; true when the version is known. A
    failed query is remembered (platform id 1, version 5.1) and not retried. */
bool getOsVersion();

/** Whether the running version is at least major.minor (queried first). */
bool isOsAtLeast(int major, int minor);

/** isOsAtLeast(6, 0). */
bool isVistaOrLater();

} // namespace Tr
