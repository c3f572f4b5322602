// The operating-system version query.
#pragma once

#include "PlatformTypes.h"

#define VER_PLATFORM_WIN32_NT 2

/** The 148-byte ANSI version record; the caller sets dwOSVersionInfoSize to
    sizeof(OSVERSIONINFOA) before the query. */
typedef struct _OSVERSIONINFOA
{
    DWORD dwOSVersionInfoSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    CHAR szCSDVersion[128];
} OSVERSIONINFOA, *LPOSVERSIONINFOA;

/** The version that every Linux host reports, whatever its kernel: 6.2,
    build 9200, on the NT platform, with no service-pack text. That is what the
    query answers a program without a compatibility manifest, like this one, on
    the current desktop systems it targets. The kernel's release is not used:
    its numbers mean nothing to the callers, which only ask whether the system
    is of the older kind, and a 5.x kernel would pass for one. */
constexpr DWORD kPlatformReportedMajorVersion = 6;
constexpr DWORD kPlatformReportedMinorVersion = 2;
constexpr DWORD kPlatformReportedBuildNumber = 9200;

/** Fills the record with the version above and returns TRUE. FALSE, with the
    record untouched, for a null record or a size field other than
    sizeof(OSVERSIONINFOA). */
BOOL GetVersionExA(LPOSVERSIONINFOA info);
