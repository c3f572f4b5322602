// The thread on which every multimedia MIDI callback of the process runs.
#pragma once

#include "midi/MidiHandle.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

namespace PlatformMidi
{
/**
    Runs the callbacks of all MIDI handles, in the order they were raised, on
    one thread of its own (made on first use, kept for the life of the
    process), so that a callback never runs on the stack of the call that
    caused it. flush() lets a caller wait until a handle's callbacks have
    run; called on the callback thread itself (a callback that closes its
    handle), it runs that handle's queued callbacks at once instead of
    waiting for itself.
*/
class MidiCallbackDispatcher
{
public:
    static MidiCallbackDispatcher& instance();

    void post(const std::shared_ptr<MidiHandle>& handle, UINT message, DWORD_PTR param1, DWORD_PTR param2);
    void flush(MidiHandle& handle);
    bool onCallbackThread() const;

private:
    struct Callback
    {
        std::shared_ptr<MidiHandle> handle;
        UINT message = 0;
        DWORD_PTR param1 = 0;
        DWORD_PTR param2 = 0;
    };

    MidiCallbackDispatcher();
    void run();
    void deliver(const Callback& callback);

    std::mutex mutex_;
    std::condition_variable queued_;
    std::condition_variable delivered_;
    std::deque<Callback> queue_;
    std::thread::id threadId_;
};
} // namespace PlatformMidi
