#include "midi/SpscByteRing.h"

#include <algorithm>
#include <cstring>

namespace PlatformMidi
{
namespace
{
size_t powerOfTwoAtLeast(size_t value)
{
    size_t result = 1;
    while (result < value)
        result <<= 1;
    return result;
}
} // namespace

SpscByteRing::SpscByteRing(size_t capacity)
    : buffer_(powerOfTwoAtLeast(std::max<size_t>(capacity, 2))), mask_(buffer_.size() - 1)
{
}

size_t SpscByteRing::writable() const
{
    return buffer_.size() - (written_.load(std::memory_order_relaxed) - read_.load(std::memory_order_acquire));
}

bool SpscByteRing::write(const void* first, size_t firstLength, const void* second, size_t secondLength)
{
    if (firstLength + secondLength > writable())
        return false;
    const size_t at = written_.load(std::memory_order_relaxed);
    copyIn(at, first, firstLength);
    copyIn(at + firstLength, second, secondLength);
    written_.store(at + firstLength + secondLength, std::memory_order_release);
    return true;
}

size_t SpscByteRing::readable() const
{
    return written_.load(std::memory_order_acquire) - read_.load(std::memory_order_relaxed);
}

bool SpscByteRing::peek(void* out, size_t length, size_t offset) const
{
    if (offset + length > readable())
        return false;
    const size_t start = (read_.load(std::memory_order_relaxed) + offset) & mask_;
    const size_t head = std::min(length, buffer_.size() - start);
    auto* target = static_cast<unsigned char*>(out);
    std::memcpy(target, buffer_.data() + start, head);
    std::memcpy(target + head, buffer_.data(), length - head);
    return true;
}

void SpscByteRing::skip(size_t length)
{
    read_.store(read_.load(std::memory_order_relaxed) + std::min(length, readable()), std::memory_order_release);
}

void SpscByteRing::copyIn(size_t at, const void* bytes, size_t length)
{
    if (length == 0)
        return;
    const size_t start = at & mask_;
    const size_t head = std::min(length, buffer_.size() - start);
    const auto* source = static_cast<const unsigned char*>(bytes);
    std::memcpy(buffer_.data() + start, source, head);
    std::memcpy(buffer_.data(), source + head, length - head);
}
} // namespace PlatformMidi
