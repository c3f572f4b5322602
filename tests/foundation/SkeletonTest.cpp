#include <gtest/gtest.h>

TEST(Skeleton, BuildsAndRuns) { SUCCEED(); }
