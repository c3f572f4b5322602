// The JACK MIDI backend.
#pragma once

#include "midi/MidiBackend.h"

#include <memory>
#include <string>

namespace PlatformMidi
{
/**
    MIDI through a JACK server: every MIDI port of other clients is a device
    (outputs are the ports we can write to, inputs the ports we can read).
    The process has one JACK client, opened without ever starting a server;
    opening a device registers one port of ours and connects it.

    JACK's process thread only moves bytes between lock-free queues and the
    port buffers (JackRealtimePorts); a thread of the backend's own delivers
    completions after the cycle that wrote the bytes, hands received bytes
    on, and turns JACK's port and shutdown notices (which must not call into
    the server) into device-list refreshes and WM_DEVICECHANGE broadcasts.
    After the server goes away every device is gone; the backend tries to
    connect again once a second and broadcasts when the server is back.
    A server that no longer answers holds a port's close, and the client's,
    for a while at most (JackServerCalls); no port is opened until it has
    answered again.

    libjack is loaded when the backend starts (JackLibrary); without it the
    backend is not available: it never connects, and failure() says why.

    Names: the full port name "client:port" (a physical port may show its
    alias instead, see jackDeviceNames); the interface path is "jack:" and
    the full port name, percent-escaped so that it stays ASCII.
*/
class JackMidiBackend final : public MidiBackend
{
public:
    /** Connects at once when a server answers, else keeps trying. */
    JackMidiBackend();
    /** Test seam: libraryFile stands in for libjack. */
    explicit JackMidiBackend(const char* libraryFile);
    ~JackMidiBackend() override;
    JackMidiBackend(const JackMidiBackend&) = delete;
    JackMidiBackend& operator=(const JackMidiBackend&) = delete;

    /** False when libjack could not be loaded: then there is never a server. */
    bool isAvailable() const;
    bool isConnected() const;
    /** Why the last attempt to reach a server failed (empty when connected). */
    std::string failure() const;

    std::string name() const override { return "JACK"; }
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
