// Tr::JuceTimer: the timer that runs on the GUI toolkit's timer service.
#pragma once

#include "TTimer.h"

#include <juce_events/juce_events.h>

namespace Tr {

/** A TTimer on juce::Timer: every onTimer call arrives on the GUI (message)
    thread. Deleting it stops it; no callback arrives after its destructor. */
class JuceTimer : public TTimer, public juce::Timer
{
public:
    explicit JuceTimer(TTimerListener* listener);
    ~JuceTimer() override;

    void setRunning(bool running) override;
    void timerCallback() override;
};

} // namespace Tr
