// Tr::getMillis and Tr::sleepMs.
#include "Millis.h"

#include <gtest/gtest.h>

TEST(Millis, StartsNearZeroAndGrowsWithWallTime)
{
    const DWORD first = Tr::getMillis();
    EXPECT_LT(first, 50u) << "the clock counts from its first call in the process";
    Tr::sleepMs(25);
    const DWORD later = Tr::getMillis();
    EXPECT_GE(later - first, 24u);
    EXPECT_LT(later - first, 5000u);
}
