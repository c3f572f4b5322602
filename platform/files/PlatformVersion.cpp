// The version query: one fixed answer on every Linux host (see the header).
#include "PlatformVersion.h"

#include <cstring>

static_assert(sizeof(OSVERSIONINFOA) == 148, "the ANSI version record is 148 bytes");

BOOL GetVersionExA(LPOSVERSIONINFOA info)
{
    if (info == nullptr || info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA))
        return FALSE;
    info->dwMajorVersion = kPlatformReportedMajorVersion;
    info->dwMinorVersion = kPlatformReportedMinorVersion;
    info->dwBuildNumber = kPlatformReportedBuildNumber;
    info->dwPlatformId = VER_PLATFORM_WIN32_NT;
    std::memset(info->szCSDVersion, 0, sizeof info->szCSDVersion);
    return TRUE;
}
