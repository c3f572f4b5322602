// The backend of a process without a MIDI service.
#pragma once

#include "midi/MidiBackend.h"

namespace PlatformMidi
{
/** No devices of either kind: counts are 0, every id is out of range. */
class NullMidiBackend final : public MidiBackend
{
public:
    std::string name() const override { return "none"; }
    UINT deviceCount(DeviceKind) override { return 0; }
    MMRESULT productName(DeviceKind, UINT, std::string&) override { return MMSYSERR_BADDEVICEID; }
    MMRESULT interfacePath(DeviceKind, UINT, std::string&) override { return MMSYSERR_BADDEVICEID; }
    OutputOpenOutcome openOutput(UINT, const std::shared_ptr<OutputClient>&) override { return refused<OutputConnection>(); }
    InputOpenOutcome openInput(UINT, const std::shared_ptr<InputClient>&) override { return refused<InputConnection>(); }

private:
    template <typename Connection>
    static OpenOutcome<Connection> refused()
    {
        OpenOutcome<Connection> outcome;
        outcome.code = MMSYSERR_BADDEVICEID;
        return outcome;
    }
};
} // namespace PlatformMidi
