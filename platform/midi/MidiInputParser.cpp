#include "midi/MidiInputParser.h"

namespace PlatformMidi
{
size_t MidiInputParser::messageLength(BYTE status)
{
    if (status < 0x80u)
        return 0;
    if (status < 0xF0u)
    {
        const BYTE kind = status & 0xF0u;
        return kind == 0xC0u || kind == 0xD0u ? 2 : 3;
    }
    switch (status)
    {
    case 0xF0u:
    case 0xF7u:
        return 0;
    case 0xF1u:
    case 0xF3u:
        return 2;
    case 0xF2u:
        return 3;
    default:
        return 1;
    }
}

void MidiInputParser::feed(const BYTE* bytes, size_t length, Sink& sink)
{
    size_t at = 0;
    while (at < length)
    {
        if (inSysex_ && bytes[at] < 0x80u)
        {
            size_t end = at;
            while (end < length && bytes[end] < 0x80u)
                ++end;
            sink.sysexBytes(bytes + at, end - at);
            at = end;
            continue;
        }
        const BYTE byte = bytes[at++];
        if (byte >= 0xF8u)
            sink.shortMessage(byte);
        else if (byte >= 0x80u)
            status(byte, sink);
        else
            data(byte, sink);
    }
}

void MidiInputParser::reset(Sink& sink)
{
    if (inSysex_)
        sink.sysexEnd(false);
    inSysex_ = false;
    status_ = 0;
    have_ = 0;
}

void MidiInputParser::status(BYTE byte, Sink& sink)
{
    if (inSysex_)
    {
        inSysex_ = false;
        if (byte == 0xF7u)
        {
            sink.sysexBytes(&byte, 1);
            sink.sysexEnd(true);
            return;
        }
        sink.sysexEnd(false);
    }
    have_ = 0;
    status_ = 0;
    if (byte == 0xF0u)
    {
        inSysex_ = true;
        sink.sysexBytes(&byte, 1);
        return;
    }
    if (byte == 0xF7u)
        return;
    if (messageLength(byte) == 1)
    {
        sink.shortMessage(byte);
        return;
    }
    status_ = byte;
}

void MidiInputParser::data(BYTE byte, Sink& sink)
{
    if (status_ == 0)
        return;
    data_[have_++] = byte;
    if (have_ + 1 < messageLength(status_))
        return;
    DWORD packed = status_;
    for (size_t i = 0; i < have_; ++i)
        packed |= static_cast<DWORD>(data_[i]) << (8 * (i + 1));
    sink.shortMessage(packed);
    have_ = 0;
    if (status_ >= 0xF0u)
        status_ = 0;
}
} // namespace PlatformMidi
