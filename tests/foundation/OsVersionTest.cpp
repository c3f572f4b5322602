#include "OsVersion.h"

#include <gtest/gtest.h>

namespace
{
void settle(int platformId, int major, int minor)
{
    Tr::g_osVersion = {platformId, major, minor};
}
} // namespace

TEST(OsVersion, FirstQueryFillsTheRecordOnceAndForAllAsACurrentSystem)
{
    EXPECT_LT(Tr::g_osVersion.platformId, 0);
    EXPECT_TRUE(Tr::getOsVersion());
    EXPECT_EQ(Tr::g_osVersion.platformId, 2);
    // Every Linux host counts as a current system, whatever its kernel.
    EXPECT_EQ(Tr::g_osVersion.major, 6);
    EXPECT_EQ(Tr::g_osVersion.minor, 2);
    EXPECT_TRUE(Tr::isVistaOrLater());

    Tr::g_osVersion.major = 99;
    EXPECT_TRUE(Tr::getOsVersion());
    EXPECT_EQ(Tr::g_osVersion.major, 99);
}

TEST(OsVersion, IsOsAtLeastComparesMajorThenMinor)
{
    settle(2, 6, 1);
    EXPECT_TRUE(Tr::isVistaOrLater());
    EXPECT_TRUE(Tr::isOsAtLeast(6, 1));
    EXPECT_FALSE(Tr::isOsAtLeast(6, 2));
    settle(2, 5, 2);
    EXPECT_FALSE(Tr::isVistaOrLater());
    settle(2, 10, 0);
    EXPECT_TRUE(Tr::isVistaOrLater());
    // What a failed query leaves behind.
    settle(1, 5, 1);
    EXPECT_FALSE(Tr::isVistaOrLater());
    EXPECT_TRUE(Tr::getOsVersion());
}
