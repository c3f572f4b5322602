// The version query over the platform's GetVersionExA.
#include "OsVersion.h"

#include "PlatformFilesAndResources.h"

namespace Tr {

TOsVersion g_osVersion;

bool getOsVersion()
{
    if (g_osVersion.platformId >= 0)
        return true;
    OSVERSIONINFOA info {};
    info.dwOSVersionInfoSize = sizeof info;
    if (!GetVersionExA(&info))
    {
        g_osVersion.platformId = 1;
        return false;
    }
    g_osVersion.major = static_cast<int32_t>(info.dwMajorVersion);
    g_osVersion.minor = static_cast<int32_t>(info.dwMinorVersion);
    g_osVersion.platformId = static_cast<int32_t>(info.dwPlatformId);
    return true;
}

bool isOsAtLeast(int major, int minor)
{
    getOsVersion();
    return g_osVersion.major > major || (g_osVersion.major == major && g_osVersion.minor >= minor);
}

bool isVistaOrLater()
{
    return isOsAtLeast(6, 0);
}

} // namespace Tr
