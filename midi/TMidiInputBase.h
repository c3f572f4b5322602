// Tr::TMidiInputBase: the driver-independent part of a MIDI input port.
#pragma once

#include "MidiListeners.h"
#include "TMidiDeviceBase.h"

#include <atomic>

namespace Tr {

/** A MIDI input port: besides opening and closing it is started and stopped,
    and passes what arrives to its data listener. Active sensing (0xFE) and
    clock (0xF8) messages are passed on unless switched off. The flags and
    the listener are read by the driver's callbacks. */
class TMidiInputBase : public TMidiDeviceBase
{
public:
    using TMidiDeviceBase::TMidiDeviceBase;

    virtual void start() = 0;
    virtual void stop() = 0;
    virtual bool isStarted() const = 0;
    virtual bool getPassActiveSensing() const;
    virtual void setPassActiveSensing(bool pass);
    virtual bool getPassClock() const;
    virtual void setPassClock(bool pass);
    virtual void setDataListener(TMidiDeviceDataListener* listener);

    TMidiDeviceDataListener* getDataListener() const { return m_dataListener.load(); }

private:
    std::atomic<TMidiDeviceDataListener*> m_dataListener{nullptr};
    std::atomic<bool> m_passActiveSensing{true};
    std::atomic<bool> m_passClock{true};
};

} // namespace Tr
