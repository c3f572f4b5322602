#include "TMidiOutputBase.h"

namespace Tr {

bool TMidiOutputBase::sendShort(uint32_t packed)
{
    return sendShortBytes(static_cast<uint8_t>(packed & 0xFFu), static_cast<uint8_t>((packed >> 8) & 0xFFu),
                          static_cast<uint8_t>((packed >> 16) & 0xFFu));
}

bool TMidiOutputBase::sendLong(const uint8_t* data, int length)
{
    // A message cut short is not a message sent.
    return length > 0 && sendLongChunked(data, length, nullptr) == length;
}

int TMidiOutputBase::getPendingCount() const
{
    return 0;
}

} // namespace Tr
