// Turns the bytes that arrive from a MIDI device into the short messages and
// SysEx pieces that an input handle hands on.
#pragma once

#include "PlatformTypes.h"

#include <cstddef>

namespace PlatformMidi
{
/**
    A MIDI byte-stream parser. Short messages come out packed (status |
    data1 << 8 | data2 << 16); running status is followed for channel
    messages; real-time bytes (0xF8 to 0xFF) come out at once, also in the
    middle of a SysEx or of another message. SysEx bytes (0xF0 to 0xF7
    included) come out in pieces as they arrive, then its end: complete when
    0xF7 closed it, cut off when another status byte came first. Data bytes
    without a status are dropped.
*/
class MidiInputParser
{
public:
    /** Where the parsed messages go. */
    class Sink
    {
    public:
        virtual void shortMessage(DWORD packed) = 0;
        virtual void sysexBytes(const BYTE* bytes, size_t length) = 0;
        virtual void sysexEnd(bool complete) = 0;

    protected:
        ~Sink() = default;
    };

    /** Bytes of a whole short message with this status byte (0 for 0xF0,
        0xF7 and bytes without status). */
    static size_t messageLength(BYTE status);

    void feed(const BYTE* bytes, size_t length, Sink& sink);
    /** Forgets a message in progress (a SysEx in progress ends cut off). */
    void reset(Sink& sink);

private:
    void status(BYTE byte, Sink& sink);
    void data(BYTE byte, Sink& sink);

    bool inSysex_ = false;
    BYTE status_ = 0;
    BYTE data_[2] = {0, 0};
    size_t have_ = 0;
};
} // namespace PlatformMidi
