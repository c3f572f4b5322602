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
    BAutoLock hold(&m_stateLock);
    const int wanted = running ? 1 : 0;
    if (m_running.exchange(wanted) == wanted)
        return;
    if (running)
        startTimer(m_interval.load());
    else
        stopTimer();
}

void JuceTimer::setInterval(int ms)
{
    // A restart on one thread must not interleave with a stop on another:
    // the stop could land between the restart's flag change and its start,
    // leaving the flag set on a stopped toolkit timer.
    BAutoLock hold(&m_stateLock);
    TTimer::setInterval(ms);
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
