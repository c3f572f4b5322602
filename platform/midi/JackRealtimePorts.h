// The parts of a JACK MIDI port that JACK's process thread works on.
#pragma once

#include "midi/JackLibrary.h"
#include "midi/SpscByteRing.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace PlatformMidi
{
/**
    An output port as the process thread sees it: messages queued by other
    threads (each one whole, with a token) are written each cycle into the
    port's buffer, every message whole in one cycle; one that does not fit
    what is left of a cycle waits for the next. The tokens of written long
    messages come back, with the number of their cycle, to one reader
    (nextDone). The process side never locks, waits or allocates.
*/
class JackOutputPort
{
public:
    /** jack must stay loaded as long as the port. */
    JackOutputPort(const JackLibrary& jack, jack_port_t* port, size_t queueBytes);
    JackOutputPort(const JackOutputPort&) = delete;
    JackOutputPort& operator=(const JackOutputPort&) = delete;

    jack_port_t* port() const { return port_; }

    /** Queues one message (token 0: no completion wanted); false when the
        queue has no room. One writer at a time. */
    bool queue(const unsigned char* bytes, size_t length, uint64_t token);
    /** The largest event an empty buffer of the port took in its last
        cycle, when that cycle had this many frames; 0 before the first
        cycle and after the server changed its buffer size, until a cycle of
        the new size has run. */
    size_t maxEventSize(jack_nframes_t frames) const;
    /** The largest message a port takes whole: what a cycle of the current
        size measured (measured, 0 for none), else what a buffer of
        bufferBytes leaves after the room JACK keeps for itself. */
    static size_t largestMessage(size_t measured, size_t bufferBytes);
    /** Messages that could not be written at all (larger than the buffer). */
    uint64_t dropped() const { return dropped_.load(std::memory_order_relaxed); }

    /** The process thread's part of cycle number cycle; true when it wrote
        tokens for nextDone. */
    bool process(jack_nframes_t frames, uint64_t cycle);

    /** The next token whose cycle has ended by cyclesEnded; false when none. */
    bool nextDone(uint64_t cyclesEnded, uint64_t& token);

private:
    struct Message
    {
        uint64_t token;
        uint64_t length;
    };
    struct Done
    {
        uint64_t token;
        uint64_t cycle;
    };

    const JackLibrary& jack_;
    jack_port_t* const port_;
    SpscByteRing messages_;
    SpscByteRing done_;
    /** The frames of the last cycle (high half) and the largest event its
        buffer took (low half), read together. */
    std::atomic<uint64_t> measured_{0};
    std::atomic<uint64_t> dropped_{0};
};

/**
    An input port as the process thread sees it: every event of each cycle is
    queued with its frame time for one reader (nextEvent). Events that find
    the queue full are counted as lost.
*/
class JackInputPort
{
public:
    JackInputPort(const JackLibrary& jack, jack_port_t* port, size_t queueBytes);
    JackInputPort(const JackInputPort&) = delete;
    JackInputPort& operator=(const JackInputPort&) = delete;

    jack_port_t* port() const { return port_; }
    uint64_t lost() const { return lost_.load(std::memory_order_relaxed); }

    /** The process thread's part of a cycle that started at frame
        cycleStart; true when it queued events. */
    bool process(jack_nframes_t frames, jack_nframes_t cycleStart);

    /** The next event's bytes and frame time; false when none. */
    bool nextEvent(std::vector<unsigned char>& bytes, uint32_t& frame);

private:
    struct Event
    {
        uint32_t length;
        uint32_t frame;
    };

    const JackLibrary& jack_;
    jack_port_t* const port_;
    SpscByteRing events_;
    std::atomic<uint64_t> lost_{0};
};
} // namespace PlatformMidi
