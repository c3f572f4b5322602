#include "files/PlatformVersion.h"

#include <gtest/gtest.h>

TEST(PlatformVersion, ReportsTheSameModernVersionOnEveryKernel)
{
    OSVERSIONINFOA info {};
    info.dwOSVersionInfoSize = sizeof info;
    info.szCSDVersion[0] = 'x';
    ASSERT_TRUE(GetVersionExA(&info));
    EXPECT_EQ(info.dwMajorVersion, 6u);
    EXPECT_EQ(info.dwMinorVersion, 2u);
    EXPECT_EQ(info.dwBuildNumber, 9200u);
    EXPECT_EQ(info.dwPlatformId, static_cast<DWORD>(VER_PLATFORM_WIN32_NT));
    EXPECT_EQ(info.szCSDVersion[0], '\0');
    EXPECT_EQ(info.dwOSVersionInfoSize, sizeof info);
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
