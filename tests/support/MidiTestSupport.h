// Shared fixtures for tests that use the multimedia MIDI front: a scoped
// backend install (the in-memory backend by default) and a thread-safe log of
// the callbacks a handle receives.
#pragma once

#include "WaitFor.h"
#include "midi/MemoryMidiBackend.h"
#include "midi/MidiBackendChoice.h"
#include "midi/PlatformMidi.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace TestSupport
{
/** Makes backend the process's MIDI backend for the object's lifetime and
    puts the previous one back afterwards. */
template <typename Backend = PlatformMidi::MemoryMidiBackend>
class ScopedMidiBackend
{
public:
    explicit ScopedMidiBackend(std::shared_ptr<Backend> backend = std::make_shared<Backend>())
        : backend_(std::move(backend)), previous_(PlatformMidi::MidiBackendChoice::install(backend_))
    {
    }
    ~ScopedMidiBackend() { PlatformMidi::MidiBackendChoice::install(previous_); }
    ScopedMidiBackend(const ScopedMidiBackend&) = delete;
    ScopedMidiBackend& operator=(const ScopedMidiBackend&) = delete;

    Backend& operator*() const { return *backend_; }
    Backend* operator->() const { return backend_.get(); }

private:
    std::shared_ptr<Backend> backend_;
    std::shared_ptr<PlatformMidi::MidiBackend> previous_;
};

/** One callback as a handle received it. */
struct MidiCallbackRecord
{
    uintptr_t handle;
    UINT message;
    DWORD_PTR param1;
    DWORD_PTR param2;
    std::thread::id thread;
    DWORD headerFlags;               // of the header in param1 (MOM_DONE, MIM_LONGDATA, MIM_LONGERROR)
    std::vector<unsigned char> data; // its recorded bytes (MIM_LONGDATA, MIM_LONGERROR)
};

/**
    Records the callbacks of the handles opened with its callback and
    instance(): pass outputCallback / inputCallback (as DWORD_PTR) with
    CALLBACK_FUNCTION. onCallback, when set before the open, also runs inside
    each callback (on the callback thread).
*/
class MidiCallbackLog
{
public:
    static void CALLBACK outputCallback(HMIDIOUT handle, UINT message, DWORD_PTR instance, DWORD_PTR param1,
                                        DWORD_PTR param2)
    {
        reinterpret_cast<MidiCallbackLog*>(instance)->add(reinterpret_cast<uintptr_t>(handle), message, param1,
                                                           param2);
    }
    static void CALLBACK inputCallback(HMIDIIN handle, UINT message, DWORD_PTR instance, DWORD_PTR param1,
                                       DWORD_PTR param2)
    {
        reinterpret_cast<MidiCallbackLog*>(instance)->add(reinterpret_cast<uintptr_t>(handle), message, param1,
                                                           param2);
    }
    static DWORD_PTR output() { return reinterpret_cast<DWORD_PTR>(&outputCallback); }
    static DWORD_PTR input() { return reinterpret_cast<DWORD_PTR>(&inputCallback); }
    DWORD_PTR instance() { return reinterpret_cast<DWORD_PTR>(this); }

    std::function<void(const MidiCallbackRecord&)> onCallback;

    std::vector<MidiCallbackRecord> records() const
    {
        std::lock_guard<std::mutex> hold(mutex_);
        return records_;
    }

    std::vector<UINT> messages() const
    {
        std::vector<UINT> result;
        for (const MidiCallbackRecord& record : records())
            result.push_back(record.message);
        return result;
    }

    /** The records of one message number, in order. */
    std::vector<MidiCallbackRecord> of(UINT message) const
    {
        std::vector<MidiCallbackRecord> result;
        for (const MidiCallbackRecord& record : records())
            if (record.message == message)
                result.push_back(record);
        return result;
    }

    bool waitFor(UINT message, size_t count = 1, DWORD limitMs = 5000) const
    {
        return TestSupport::waitFor([&] { return of(message).size() >= count; }, limitMs);
    }

    void clear()
    {
        std::lock_guard<std::mutex> hold(mutex_);
        records_.clear();
    }

private:
    void add(uintptr_t handle, UINT message, DWORD_PTR param1, DWORD_PTR param2)
    {
        MidiCallbackRecord record{handle, message, param1, param2, std::this_thread::get_id(), 0, {}};
        if (message == MOM_DONE || message == MIM_LONGDATA || message == MIM_LONGERROR)
        {
            const auto* header = reinterpret_cast<const MIDIHDR*>(param1);
            record.headerFlags = header->dwFlags;
            if (message != MOM_DONE)
                record.data.assign(header->lpData, header->lpData + header->dwBytesRecorded);
        }
        {
            std::lock_guard<std::mutex> hold(mutex_);
            records_.push_back(record);
        }
        if (onCallback)
            onCallback(record);
    }

    mutable std::mutex mutex_;
    std::vector<MidiCallbackRecord> records_;
};

/** A MIDIHDR with a buffer of its own. */
struct MidiBuffer
{
    explicit MidiBuffer(const std::vector<unsigned char>& bytes) : data(bytes.begin(), bytes.end()) { point(); }
    explicit MidiBuffer(size_t size) : data(size, '\0') { point(); }
    MidiBuffer(const MidiBuffer&) = delete;
    MidiBuffer& operator=(const MidiBuffer&) = delete;

    void point()
    {
        header = MIDIHDR{};
        header.lpData = data.data();
        header.dwBufferLength = static_cast<DWORD>(data.size());
    }

    std::vector<char> data;
    MIDIHDR header{};
};

/** A SysEx of length bytes (at least 2): 0xF0, a counting body, 0xF7. */
inline std::vector<unsigned char> sysex(size_t length)
{
    std::vector<unsigned char> bytes(std::max<size_t>(length, 2));
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<unsigned char>(i % 0x80);
    bytes[0] = 0xF0;
    bytes[bytes.size() - 1] = 0xF7;
    return bytes;
}
} // namespace TestSupport
