// What the output and input handles of the multimedia MIDI front share: the
// handle value the caller sees, the callback it gave at the open, and the
// bookkeeping of its callbacks on the callback thread.
#pragma once

#include "midi/MidiBackend.h"

#include <cstdint>
#include <memory>
#include <mutex>

namespace PlatformMidi
{
class MidiCallbackDispatcher;

/**
    One open handle of the front. Its callbacks (if the open asked for a
    callback function) are raised with raise() from any thread and run in
    order on the callback thread; flushCallbacks() waits for those raised so
    far. The handle value is given by the handle table when it is listed.
*/
class MidiHandle : public std::enable_shared_from_this<MidiHandle>
{
public:
    MidiHandle(DeviceKind kind, UINT deviceId, DWORD_PTR callback, DWORD_PTR instance);
    virtual ~MidiHandle() = default;
    MidiHandle(const MidiHandle&) = delete;
    MidiHandle& operator=(const MidiHandle&) = delete;

    DeviceKind kind() const { return kind_; }
    UINT deviceId() const { return deviceId_; }
    uintptr_t value() const { return value_; }
    /** Before the handle is handed to a backend: its callbacks carry it. */
    void setValue(uintptr_t value) { value_ = value; }

    /** Marks a header prepared (midiOutPrepareHeader / midiInPrepareHeader). */
    MMRESULT prepare(MIDIHDR* header);
    /** Takes the mark back, unless the handle still holds the header. */
    MMRESULT unprepare(MIDIHDR* header);

    /** Calls the caller's callback with this handle (callback thread only). */
    void deliver(UINT message, DWORD_PTR param1, DWORD_PTR param2);
    /** Returns once every callback raised so far has run. */
    void flushCallbacks();

protected:
    enum class State
    {
        open,
        gone,    ///< the device went away; the handle waits for its close
        closing,
        closed
    };

    /** Queues a callback (nothing when the open asked for none). */
    void raise(UINT message, DWORD_PTR param1 = 0, DWORD_PTR param2 = 0);
    /** Raises MOM_OPEN / MIM_OPEN (lock held), then the close if the device
        went away before it. */
    void raiseOpen();
    /** Raises MOM_CLOSE / MIM_CLOSE unless it was raised before; before the
        open was raised, right after it (lock held). */
    void raiseCloseOnce();
    /** Whether the handle holds header in its queue (lock held). */
    virtual bool holds(const MIDIHDR* header) const = 0;

    // The handle's state and headers are guarded by mutex_.
    std::mutex mutex_;
    State state_ = State::open;

private:
    friend class MidiCallbackDispatcher;

    const DeviceKind kind_;
    const UINT deviceId_;
    const DWORD_PTR callback_;
    const DWORD_PTR instance_;
    uintptr_t value_ = 0;
    bool openRaised_ = false;
    bool closeWaiting_ = false;
    bool closeRaised_ = false;
    // Guarded by the dispatcher's lock.
    uint64_t raised_ = 0;
    uint64_t delivered_ = 0;
};
} // namespace PlatformMidi
