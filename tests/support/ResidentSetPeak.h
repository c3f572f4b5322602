// How far the test's own process grew in memory at its peak, for checks that
// a step takes no memory worth speaking of (a file refused unread, ...).
#pragma once

#include <fstream>
#include <string>

namespace TestSupport
{
/**
    Marks the resident set of the process as it is now; riseKiB then tells how
    far the resident set rose above that mark at its highest since. The
    kernel's own peak (VmHWM) is set back to the present size for it.
*/
class ResidentSetPeak
{
public:
    ResidentSetPeak() { mark(); }

    /** Marks the resident set anew, as the construction does. */
    void mark()
    {
        std::ofstream clear("/proc/self/clear_refs");
        clear << "5"; // resets the peak to the present resident set
        clear.close();
        active_ = !clear.fail();
        start_ = statusKiB("VmRSS:");
    }

    /** Whether the peak could be set back, so that riseKiB means something. */
    bool isActive() const { return active_ && start_ >= 0; }

    /** The highest resident set since construction less the one then, in KiB. */
    long long riseKiB() const { return statusKiB("VmHWM:") - start_; }

private:
    static long long statusKiB(const std::string& field)
    {
        std::ifstream status("/proc/self/status");
        std::string line;
        while (std::getline(status, line))
            if (line.compare(0, field.size(), field) == 0)
                return std::stoll(line.substr(field.size()));
        return -1;
    }

    bool active_ = false;
    long long start_ = -1;
};
} // namespace TestSupport
