// Tr::JuceTimer: the timer that runs on the GUI toolkit's timer service.
#pragma once

#include "BLock.h"
#include "TTimer.h"

#include <juce_events/juce_events.h>

namespace Tr {

/** A TTimer on juce::Timer: every onTimer call arrives on the GUI (message)
    thread. Deleting it stops it; no callback arrives after its destructor.
    Starts, stops and restarts from different threads are serialised, so the
    running flag and the toolkit timer never fall out of step. */
class JuceTimer : public TTimer, public juce::Timer
{
public:
    explicit JuceTimer(TTimerListener* listener);
    ~JuceTimer() override;

    void setRunning(bool running) override;
    void setInterval(int ms) override;
    void timerCallback() override;

private:
    // Held across a change of the running flag and the matching start or
    // stop of the toolkit timer, and across a whole restart.
    BLock m_stateLock;
};

} // namespace Tr
