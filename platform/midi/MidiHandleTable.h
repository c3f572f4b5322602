// The open MIDI handles of the process, by the values their callers hold.
#pragma once

#include "midi/MidiHandle.h"

#include <memory>
#include <mutex>
#include <unordered_map>

namespace PlatformMidi
{
/**
    Maps handle values to open handles. A value is a number that is never
    handed out twice, so a stale handle can only miss (answer 5), never
    reach another port.
*/
class MidiHandleTable
{
public:
    static MidiHandleTable& instance();

    /** A value that no other handle has or will ever have: a handle is given
        one before its open, and listed under it (add) once it is open. */
    uintptr_t unusedValue();
    /** Lists handle under its value. */
    void add(const std::shared_ptr<MidiHandle>& handle);
    /** The open handle of this value and kind, or null. */
    template <typename Handle>
    std::shared_ptr<Handle> find(const void* value, DeviceKind kind)
    {
        std::shared_ptr<MidiHandle> found = findHandle(reinterpret_cast<uintptr_t>(value), kind);
        return std::static_pointer_cast<Handle>(found);
    }
    void remove(uintptr_t value);

private:
    MidiHandleTable() = default;
    std::shared_ptr<MidiHandle> findHandle(uintptr_t value, DeviceKind kind);

    std::mutex mutex_;
    std::unordered_map<uintptr_t, std::shared_ptr<MidiHandle>> handles_;
    uintptr_t next_ = 0x40000;
};
} // namespace PlatformMidi
