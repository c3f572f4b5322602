// Linux implementation of the version query: the kernel release from uname.
#include "PlatformVersion.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <sys/utsname.h>

static_assert(sizeof(OSVERSIONINFOA) == 148, "the ANSI version record is 148 bytes");

namespace
{
// Reads one decimal number at text and moves text past it and one following
// '.', if any; 0 when there is no digit.
DWORD readVersionPart(const char*& text)
{
    DWORD value = 0;
    while (*text >= '0' && *text <= '9')
    {
        value = value * 10u + static_cast<DWORD>(*text - '0');
        ++text;
    }
    if (*text == '.')
        ++text;
    return value;
}
} // namespace

BOOL GetVersionExA(LPOSVERSIONINFOA info)
{
    if (info == nullptr || info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA))
        return FALSE;
    struct utsname names {};
    if (::uname(&names) != 0)
        return FALSE;
    const char* release = names.release;
    info->dwMajorVersion = readVersionPart(release);
    info->dwMinorVersion = readVersionPart(release);
    info->dwBuildNumber = readVersionPart(release);
    info->dwPlatformId = VER_PLATFORM_WIN32_NT;
    const std::string description = std::string(names.sysname) + " " + names.release;
    const size_t length = std::min(description.size(), sizeof info->szCSDVersion - 1);
    std::memcpy(info->szCSDVersion, description.data(), length);
    info->szCSDVersion[length] = '\0';
    return TRUE;
}
