#include "TTimer.h"

namespace Tr {

TTimer::TTimer(TTimerListener* listener) : m_listener(listener)
{
}

TTimer::~TTimer() = default;

bool TTimer::isRunning() const
{
    return m_running.load() != 0;
}

int TTimer::getInterval() const
{
    return m_interval.load();
}

void TTimer::setInterval(int ms)
{
    m_interval.store(ms);
    if (isRunning())
    {
        setRunning(false);
        setRunning(true);
    }
}

void TTimer::setName(const TString& name)
{
    m_name = name;
}

} // namespace Tr
