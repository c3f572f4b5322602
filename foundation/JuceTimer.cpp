#include "JuceTimer.h"

namespace Tr {

JuceTimer::JuceTimer(TTimerListener* listener) : TTimer(listener)
{
}

// The juce::Timer base is destroyed before the TTimer part and stops the
// toolkit timer on its way out.
JuceTimer::~JuceTimer() = default;

void JuceTimer::setRunning(bool running)
{
    const int wanted = running ? 1 : 0;
    if (m_running.exchange(wanted) == wanted)
        return;
    if (running)
        startTimer(m_interval.load());
    else
        stopTimer();
}

void JuceTimer::timerCallback()
{
    if (isRunning() && listener() != nullptr)
        listener()->onTimer();
}

TTimer* createTimer(TTimerListener* listener, const TString& name)
{
    auto* timer = new JuceTimer(listener);
    timer->setName(name);
    return timer;
}

} // namespace Tr
