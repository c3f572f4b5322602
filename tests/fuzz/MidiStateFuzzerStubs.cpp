// The JUCE timer, which the MIDI state fuzzer's build leaves out: the
// manager's device-change notifier only starts one on a device change, and
// the fuzzer's driver has no devices.
#include "TTimer.h"

namespace Tr {

namespace
{
/** A timer that never ticks. */
class SilentTimer final : public TTimer
{
public:
    explicit SilentTimer(TTimerListener* listener) : TTimer(listener) {}
    void setRunning(bool running) override { m_running.store(running ? 1 : 0); }
};
} // namespace

TTimer* createTimer(TTimerListener* listener, const TString& name)
{
    auto* timer = new SilentTimer(listener);
    timer->setName(name);
    return timer;
}

} // namespace Tr
