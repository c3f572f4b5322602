// The ALSA sequencer MIDI backend.
#pragma once

#include "midi/MidiBackend.h"

#include <memory>
#include <string>

namespace PlatformMidi
{
/**
    MIDI through the ALSA sequencer (what a Linux desktop has, PipeWire
    included). Which ports are devices, their names and identities, and what
    an announce event changes are decided by AlsaPortCatalog; this class only
    talks to the library: it opens the sequencer, reads the ports, listens to
    the announce port on a thread of its own, makes one port of ours per
    open device and moves events (a SysEx goes out as one event; a message
    larger than the sequencer's output buffer is refused, never split).
    Without a sequencer (or without the library: AlsaLibrary) it has no
    devices, holds no library, and failure() says why.
*/
class AlsaMidiBackend final : public MidiBackend
{
public:
    AlsaMidiBackend();
    /** Test seam: libraryFile stands in for libasound. */
    explicit AlsaMidiBackend(const char* libraryFile);
    ~AlsaMidiBackend() override;
    AlsaMidiBackend(const AlsaMidiBackend&) = delete;
    AlsaMidiBackend& operator=(const AlsaMidiBackend&) = delete;

    bool isOpen() const;
    /** Why the sequencer could not be opened (empty when it is open). */
    std::string failure() const;

    std::string name() const override { return "ALSA"; }
    UINT deviceCount(DeviceKind kind) override;
    MMRESULT productName(DeviceKind kind, UINT id, std::string& name) override;
    MMRESULT interfacePath(DeviceKind kind, UINT id, std::string& path) override;
    OutputOpenOutcome openOutput(UINT id, const std::shared_ptr<OutputClient>& client) override;
    InputOpenOutcome openInput(UINT id, const std::shared_ptr<InputClient>& client) override;

    class Core;

private:
    std::shared_ptr<Core> core_;
};
} // namespace PlatformMidi
