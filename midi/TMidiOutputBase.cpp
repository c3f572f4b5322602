#include "TMidiOutputBase.h"

namespace Tr {

bool TMidiOutputBase::sendShort(uint32_t packed)
{
    return sendShortBytes(static_cast<uint8_t>(packed & 0xFFu), static_cast<uint8_t>((packed >> 8) & 0xFFu),
                          static_cast<uint8_t>((packed >> 16) & 0xFFu));
}

bool TMidiOutputBase::sendLong(const uint8_t* data, int length)
{
    // No byte count below 0 reaches the driver. A message cut short is not a
    // message sent, and neither is an empty one.
    if (length < 0)
        return false;
    const int sent = sendLongChunked(data, length, nullptr);
    return sent > 0 && sent == length;
}

int TMidiOutputBase::getPendingCount() const
{
    return 0;
}

} // namespace Tr
