#include "midi/MidiHandle.h"

#include "midi/MidiCallbackDispatcher.h"

namespace PlatformMidi
{
MidiHandle::MidiHandle(DeviceKind kind, UINT deviceId, DWORD_PTR callback, DWORD_PTR instance)
    : kind_(kind), deviceId_(deviceId), callback_(callback), instance_(instance)
{
}

MMRESULT MidiHandle::prepare(MIDIHDR* header)
{
    std::lock_guard<std::mutex> hold(mutex_);
    if (header->lpData == nullptr)
        return MMSYSERR_INVALPARAM;
    header->dwFlags |= MHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT MidiHandle::unprepare(MIDIHDR* header)
{
    std::lock_guard<std::mutex> hold(mutex_);
    if (holds(header))
        return MIDIERR_STILLPLAYING;
    header->dwFlags &= ~MHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

void MidiHandle::raiseOpen()
{
    raise(kind_ == DeviceKind::output ? MOM_OPEN : MIM_OPEN);
    openRaised_ = true;
    if (closeWaiting_)
        raiseCloseOnce();
}

void MidiHandle::raiseCloseOnce()
{
    if (!openRaised_)
    {
        closeWaiting_ = true;
        return;
    }
    if (!closeRaised_)
        raise(kind_ == DeviceKind::output ? MOM_CLOSE : MIM_CLOSE);
    closeRaised_ = true;
}

void MidiHandle::deliver(UINT message, DWORD_PTR param1, DWORD_PTR param2)
{
    if (kind_ == DeviceKind::output)
        reinterpret_cast<MIDIOUTPROC>(callback_)(reinterpret_cast<HMIDIOUT>(value_), message, instance_, param1,
                                                 param2);
    else
        reinterpret_cast<MIDIINPROC>(callback_)(reinterpret_cast<HMIDIIN>(value_), message, instance_, param1,
                                                param2);
}

void MidiHandle::flushCallbacks()
{
    MidiCallbackDispatcher::instance().flush(*this);
}

void MidiHandle::raise(UINT message, DWORD_PTR param1, DWORD_PTR param2)
{
    if (callback_ != 0)
        MidiCallbackDispatcher::instance().post(shared_from_this(), message, param1, param2);
}
} // namespace PlatformMidi
