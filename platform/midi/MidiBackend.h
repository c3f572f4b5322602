// The interface between the multimedia MIDI front (PlatformMidi.h) and the
// MIDI services behind it. The front keeps every rule the callers rely on
// (handles, headers, callbacks and their thread, closing); a backend only
// lists devices and moves bytes.
#pragma once

#include "midi/PlatformMidi.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace PlatformMidi
{
enum class DeviceKind
{
    output,
    input
};

/** What an open output handle hears from its backend connection. Calls may
    come from any thread of the backend (never from JACK's process thread),
    also after the connection was closed: the front ignores late ones. */
class OutputClient
{
public:
    /** The long message of this token has been sent (or dropped) and its
        bytes are no longer needed. */
    virtual void longMessageDone(uint64_t token) = 0;
    /** The device went away; the connection sends nothing more. */
    virtual void deviceGone() = 0;
    /** Returns once every callback raised so far for the handle has run
        (runs them at once when called on the callback thread). */
    virtual void flushCallbacks() = 0;

protected:
    ~OutputClient() = default;
};

/** What an open input handle hears from its backend connection. */
class InputClient
{
public:
    /** Bytes that arrived from the device, in order: whole or partial MIDI
        messages, SysEx included (the front parses them). */
    virtual void bytesReceived(const BYTE* bytes, size_t length) = 0;
    virtual void deviceGone() = 0;

protected:
    ~InputClient() = default;
};

/** One open output of a backend. */
class OutputConnection
{
public:
    virtual ~OutputConnection() = default;
    /** One whole short message (1 to 3 bytes). */
    virtual MMRESULT sendShort(const BYTE* bytes, size_t length, std::string& detail) = 0;
    /** One whole long message. On 0 the backend has copied the bytes (or sent
        them) and calls longMessageDone(token) once, unless the connection is
        closed or its device gone first; any other answer refuses the message
        and nothing of it is sent. */
    virtual MMRESULT sendLong(const BYTE* bytes, size_t length, uint64_t token, std::string& detail) = 0;
    /** Stops sending and lets go of the device. Called once, before the
        connection is destroyed; a send running on another thread may still
        finish. */
    virtual void close() = 0;
};

/** One open input of a backend. Bytes flow from the open on. The front asks
    the connection before a buffer joins the queue and before the input
    starts, and tells it of a reset; a backend that needs none of that keeps
    the defaults (everything accepted). */
class InputConnection
{
public:
    virtual ~InputConnection() = default;
    virtual void close() = 0;
    /** Any answer but 0 refuses the buffer. */
    virtual MMRESULT acceptBuffer() { return MMSYSERR_NOERROR; }
    /** Any answer but 0 refuses the start. */
    virtual MMRESULT start() { return MMSYSERR_NOERROR; }
    virtual void reset() {}
};

/** What an open request ends with. A failed open may still hand back a
    working connection (the caller gets a handle with the error), or ask for
    a handle that is not valid (as some systems store one on failure). */
template <typename Connection>
struct OpenOutcome
{
    MMRESULT code = MMSYSERR_NOERROR;
    std::string detail;
    std::shared_ptr<Connection> connection;
    bool invalidHandle = false;
};
using OutputOpenOutcome = OpenOutcome<OutputConnection>;
using InputOpenOutcome = OpenOutcome<InputConnection>;

/**
    A MIDI service behind the front: its devices of each kind, oldest first,
    their names and identities, and connections to them. Every operation may
    be called from any thread. A backend broadcasts WM_DEVICECHANGE
    (BroadcastDeviceChange) whenever its device lists change, and tells open
    connections whose device went away (deviceGone). Ids given to it are
    positions in its current lists; the front has resolved the MIDI Mapper.
*/
class MidiBackend
{
public:
    virtual ~MidiBackend() = default;

    /** A short name for messages ("ALSA", "JACK", ...). */
    virtual std::string name() const = 0;
    virtual UINT deviceCount(DeviceKind kind) = 0;
    /** The product name, uncut (the front cuts it to 31 bytes). */
    virtual MMRESULT productName(DeviceKind kind, UINT id, std::string& name) = 0;
    /** The interface path (UTF-8): a stable identity of the device within the
        backend. */
    virtual MMRESULT interfacePath(DeviceKind kind, UINT id, std::string& path) = 0;
    /** The size in bytes of the path as NUL-terminated UTF-16; by default
        worked out from interfacePath. */
    virtual MMRESULT interfacePathSize(DeviceKind kind, UINT id, ULONG& bytes);

    virtual OutputOpenOutcome openOutput(UINT id, const std::shared_ptr<OutputClient>& client) = 0;
    virtual InputOpenOutcome openInput(UINT id, const std::shared_ptr<InputClient>& client) = 0;
};
} // namespace PlatformMidi
