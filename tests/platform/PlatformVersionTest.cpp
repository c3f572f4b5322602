#include "files/PlatformVersion.h"

#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/utsname.h>

TEST(PlatformVersion, ReportsTheKernelReleaseAsMajorAndMinor)
{
    utsname names {};
    ASSERT_EQ(::uname(&names), 0);
    unsigned major = 0;
    unsigned minor = 0;
    ASSERT_EQ(std::sscanf(names.release, "%u.%u", &major, &minor), 2);

    OSVERSIONINFOA info {};
    info.dwOSVersionInfoSize = sizeof info;
    ASSERT_TRUE(GetVersionExA(&info));
    EXPECT_EQ(info.dwMajorVersion, major);
    EXPECT_EQ(info.dwMinorVersion, minor);
    EXPECT_EQ(info.dwPlatformId, static_cast<DWORD>(VER_PLATFORM_WIN32_NT));
    EXPECT_LT(std::strlen(info.szCSDVersion), sizeof info.szCSDVersion);
}

TEST(PlatformVersion, RefusesARecordOfTheWrongSize)
{
    OSVERSIONINFOA info {};
    info.dwOSVersionInfoSize = 156;
    info.dwMajorVersion = 77;
    EXPECT_FALSE(GetVersionExA(&info));
    EXPECT_EQ(info.dwMajorVersion, 77u);
    EXPECT_FALSE(GetVersionExA(nullptr));
}
