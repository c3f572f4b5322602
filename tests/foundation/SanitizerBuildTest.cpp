// The sanitizer build itself: a report of undefined behaviour must end the
// process, so that a test that runs into one fails instead of passing over it.
#include "support/Sanitizers.h"

#include <gtest/gtest.h>

#include <climits>

namespace
{
volatile int g_largest = INT_MAX;
volatile int g_sum = 0;
} // namespace

TEST(SanitizerBuild, AnUndefinedBehaviourReportEndsTheProcess)
{
    if (!TestSupport::kUndefinedSanitizer)
        GTEST_SKIP() << "built without the undefined-behaviour sanitizer";
    EXPECT_DEATH(g_sum = g_largest + 1, "signed integer overflow");
}
