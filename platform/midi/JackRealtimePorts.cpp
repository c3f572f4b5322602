#include "midi/JackRealtimePorts.h"

#include <algorithm>

namespace PlatformMidi
{
namespace
{
// JACK's process graph orders the clients that write and read one port
// buffer (a connected input reads its output's buffer) with futexes in
// shared memory, inside libjack, which ThreadSanitizer cannot see. The
// process callbacks tell it about that order on the buffer's address; in
// other builds these do nothing.
#if defined(__SANITIZE_THREAD__)
extern "C" void __tsan_acquire(void* address);
extern "C" void __tsan_release(void* address);
void graphOrderBegins(void* buffer)
{
    __tsan_acquire(buffer);
}
void graphOrderEnds(void* buffer)
{
    __tsan_release(buffer);
}
#else
void graphOrderBegins(void*)
{
}
void graphOrderEnds(void*)
{
}
#endif
} // namespace

JackOutputPort::JackOutputPort(const JackLibrary& jack, jack_port_t* port, size_t queueBytes)
    : jack_(jack), port_(port), messages_(queueBytes), done_(queueBytes)
{
}

bool JackOutputPort::queue(const unsigned char* bytes, size_t length, uint64_t token)
{
    const Message message{token, length};
    return messages_.write(&message, sizeof message, bytes, length);
}

bool JackOutputPort::process(jack_nframes_t frames, uint64_t cycle)
{
    void* buffer = jack_.port_get_buffer(port_, frames);
    graphOrderBegins(buffer);
    jack_.midi_clear_buffer(buffer);
    const uint64_t largest = std::min<uint64_t>(jack_.midi_max_event_size(buffer), UINT32_MAX);
    measured_.store(uint64_t{frames} << 32 | largest, std::memory_order_relaxed);
    bool wroteDone = false;
    bool empty = true;
    Message message;
    while (messages_.peek(&message, sizeof message))
    {
        if (message.token != 0 && done_.writable() < sizeof(Done))
            break;
        jack_midi_data_t* target = jack_.midi_event_reserve(buffer, 0, message.length);
        if (target == nullptr && !empty)
            break; // the rest of this cycle's buffer is too small: next cycle
        if (target == nullptr)
            dropped_.fetch_add(1, std::memory_order_relaxed);
        else
            messages_.peek(target, message.length, sizeof message);
        messages_.skip(sizeof message + message.length);
        empty = false;
        if (message.token != 0)
        {
            const Done done{message.token, cycle};
            done_.write(&done, sizeof done);
            wroteDone = true;
        }
    }
    graphOrderEnds(buffer);
    return wroteDone;
}

size_t JackOutputPort::maxEventSize(jack_nframes_t frames) const
{
    const uint64_t measured = measured_.load(std::memory_order_relaxed);
    return measured >> 32 == frames ? static_cast<size_t>(measured & UINT32_MAX) : 0;
}

size_t JackOutputPort::largestMessage(size_t measured, size_t bufferBytes)
{
    // Room a JACK MIDI buffer keeps for itself (48 bytes in JACK 1.9), with some to spare.
    constexpr size_t kBufferOverhead = 64;
    if (measured != 0)
        return measured;
    return bufferBytes > kBufferOverhead ? bufferBytes - kBufferOverhead : 0;
}

bool JackOutputPort::nextDone(uint64_t cyclesEnded, uint64_t& token)
{
    Done done;
    if (!done_.peek(&done, sizeof done) || done.cycle > cyclesEnded)
        return false;
    done_.skip(sizeof done);
    token = done.token;
    return true;
}

JackInputPort::JackInputPort(const JackLibrary& jack, jack_port_t* port, size_t queueBytes)
    : jack_(jack), port_(port), events_(queueBytes)
{
}

bool JackInputPort::process(jack_nframes_t frames, jack_nframes_t cycleStart)
{
    void* buffer = jack_.port_get_buffer(port_, frames);
    graphOrderBegins(buffer);
    const uint32_t count = jack_.midi_get_event_count(buffer);
    bool queued = false;
    for (uint32_t i = 0; i < count; ++i)
    {
        jack_midi_event_t event;
        if (jack_.midi_event_get(&event, buffer, i) != 0)
            continue;
        const Event header{static_cast<uint32_t>(event.size), cycleStart + event.time};
        if (events_.write(&header, sizeof header, event.buffer, event.size))
            queued = true;
        else
            lost_.fetch_add(1, std::memory_order_relaxed);
    }
    graphOrderEnds(buffer);
    return queued;
}

bool JackInputPort::nextEvent(std::vector<unsigned char>& bytes, uint32_t& frame)
{
    Event header;
    if (!events_.peek(&header, sizeof header))
        return false;
    bytes.resize(header.length);
    events_.peek(bytes.data(), header.length, sizeof header);
    events_.skip(sizeof header + header.length);
    frame = header.frame;
    return true;
}
} // namespace PlatformMidi
