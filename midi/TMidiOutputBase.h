// Tr::TMidiOutputBase and Tr::TMidiSendProgress: the driver-independent part
// of a MIDI output port.
#pragma once

#include "TMidiDeviceBase.h"

#include <cstdint>

namespace Tr {

class TMidiOutputBase;

/** Follows a long message sent in pieces; clearing proceed (true on entry)
    stops the send. Nothing in the program implements it. */
class TMidiSendProgress
{
public:
    virtual void onProgress(TMidiOutputBase* port, bool& proceed) = 0;

protected:
    ~TMidiSendProgress() = default;
};

/** A MIDI output port: sends short messages (up to three bytes, packed low
    byte first) and long ones (SysEx blocks). A driver supplies the byte-wise
    short send and the send in pieces; the packed short send and the whole
    long send default to those. */
class TMidiOutputBase : public TMidiDeviceBase
{
public:
    using TMidiDeviceBase::TMidiDeviceBase;

    /** sendShortBytes of the low three bytes of packed, lowest first. */
    virtual bool sendShort(uint32_t packed);
    /** Sends one short message; true when the driver took it. */
    virtual bool sendShortBytes(uint8_t status, uint8_t data1, uint8_t data2) = 0;
    /** sendLongChunked without progress (a negative length is refused);
        true when every byte went out and there was at least one. */
    virtual bool sendLong(const uint8_t* data, int length);
    /** Sends data in pieces; answers the number of bytes sent. */
    virtual int sendLongChunked(const uint8_t* data, int length, TMidiSendProgress* progress) = 0;
    /** Long messages handed to the driver and not yet done with: 0 here. */
    virtual int getPendingCount() const;
};

} // namespace Tr
