// The moment a window is first painted, reported for the start-up figures.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>

/**
    Reports the end of a window's first paint for the start-up benchmark
    (bench/startup-figures), and does nothing otherwise. Only when the
    environment variable VASKOR_REPORT_FIRST_PAINT is set, the first call
    writes "first-paint <ns>" to the standard error, <ns> being the steady
    clock (CLOCK_MONOTONIC on Linux) in nanoseconds; later calls write nothing.
    Header-only, so that the bare window the figures compare against reports
    the same way.
*/
class FirstPaintProbe
{
public:
    static void painted()
    {
        static std::atomic<bool> reported{false};
        if (reported.exchange(true) || std::getenv("VASKOR_REPORT_FIRST_PAINT") == nullptr)
            return;
        const auto now = std::chrono::steady_clock::now().time_since_epoch();
        std::fprintf(stderr, "first-paint %lld\n",
                     static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
        std::fflush(stderr);
    }
};
