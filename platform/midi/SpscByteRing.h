// A lock-free byte queue between one producer thread and one consumer thread.
#pragma once

#include <atomic>
#include <cstddef>
#include <vector>

namespace PlatformMidi
{
/**
    A single-producer single-consumer ring of bytes that neither side ever
    waits on, locks or allocates in (after construction): fit for a realtime
    audio thread on either side. A write is all or nothing, so a record
    written in one call is seen whole by the reader or not at all.
*/
class SpscByteRing
{
public:
    /** Holds at least capacity bytes (rounded up to a power of two). */
    explicit SpscByteRing(size_t capacity);
    SpscByteRing(const SpscByteRing&) = delete;
    SpscByteRing& operator=(const SpscByteRing&) = delete;

    size_t capacity() const { return buffer_.size(); }

    // Producer side.
    size_t writable() const;
    /** Writes first then second (either may be empty) as one record; false
        (and nothing written) when they do not fit. */
    bool write(const void* first, size_t firstLength, const void* second = nullptr, size_t secondLength = 0);

    // Consumer side.
    size_t readable() const;
    /** Copies length bytes from offset on without taking them; false when
        fewer are readable. */
    bool peek(void* out, size_t length, size_t offset = 0) const;
    /** Takes length bytes (no more than readable()). */
    void skip(size_t length);

private:
    void copyIn(size_t at, const void* bytes, size_t length);

    std::vector<unsigned char> buffer_;
    size_t mask_;
    std::atomic<size_t> written_{0}; // total bytes written (wraps)
    std::atomic<size_t> read_{0};    // total bytes read (wraps)
};
} // namespace PlatformMidi
