#include "TMidiInputBase.h"

namespace Tr {

bool TMidiInputBase::getPassActiveSensing() const
{
    return m_passActiveSensing.load();
}

void TMidiInputBase::setPassActiveSensing(bool pass)
{
    m_passActiveSensing.store(pass);
}

bool TMidiInputBase::getPassClock() const
{
    return m_passClock.load();
}

void TMidiInputBase::setPassClock(bool pass)
{
    m_passClock.store(pass);
}

void TMidiInputBase::setDataListener(TMidiDeviceDataListener* listener)
{
    m_dataListener.store(listener);
}

} // namespace Tr
