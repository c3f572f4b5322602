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

/** Fills the record from the running kernel's release ("6.1.0-18-amd64" gives
    major 6, minor 1, build 0), with the platform id VER_PLATFORM_WIN32_NT and
    the system's name and release in szCSDVersion (cut to 127 bytes). FALSE,
    with the record untouched, for a null record, a size field other than
    sizeof(OSVERSIONINFOA), or a failed system query. */
BOOL GetVersionExA(LPOSVERSIONINFOA info);
