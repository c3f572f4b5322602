#include "midi/MidiInputParser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using PlatformMidi::MidiInputParser;

namespace
{
/** Writes what the parser hands on as short text: "S903C40" for a short
    message, "X" and hex bytes for a SysEx piece, "E1"/"E0" for its end. */
class TextSink : public MidiInputParser::Sink
{
public:
    void shortMessage(DWORD packed) override
    {
        std::string text = "S";
        for (size_t i = 0; i < MidiInputParser::messageLength(static_cast<BYTE>(packed)); ++i)
            text += hex((packed >> (8 * i)) & 0xFF);
        add(text);
    }
    void sysexBytes(const BYTE* bytes, size_t length) override
    {
        std::string text = "X";
        for (size_t i = 0; i < length; ++i)
            text += hex(bytes[i]);
        add(text);
    }
    void sysexEnd(bool complete) override { add(complete ? "E1" : "E0"); }

    std::string text;

private:
    static std::string hex(DWORD value)
    {
        const char digits[] = "0123456789ABCDEF";
        return {digits[(value >> 4) & 0xF], digits[value & 0xF]};
    }
    void add(const std::string& part) { text += (text.empty() ? "" : " ") + part; }
};

std::string parse(const std::vector<BYTE>& bytes, size_t pieceSize = 1000)
{
    MidiInputParser parser;
    TextSink sink;
    for (size_t at = 0; at < bytes.size(); at += pieceSize)
        parser.feed(bytes.data() + at, std::min(pieceSize, bytes.size() - at), sink);
    return sink.text;
}
} // namespace

TEST(MidiInputParser, TurnsByteStreamsIntoMessagesAndSysexPieces)
{
    struct Case
    {
        std::vector<BYTE> bytes;
        std::string expected;
    };
    const Case cases[] = {
        {{0x90, 0x3C, 0x40}, "S903C40"},
        {{0x90, 0x3C, 0x40, 0x3E, 0x00}, "S903C40 S903E00"},        // running status
        {{0xC0, 0x05, 0x06}, "SC005 SC006"},
        {{0x3C, 0x40, 0x80, 0x3C, 0x00}, "S803C00"},                // data without status dropped
        {{0x90, 0x3C, 0xF8, 0x40}, "SF8 S903C40"},                  // real time inside a message
        {{0xF0, 0x01, 0x02, 0xF7}, "XF0 X0102 XF7 E1"},
        {{0xF0, 0x01, 0xF8, 0x02, 0xF7}, "XF0 X01 SF8 X02 XF7 E1"}, // real time inside a SysEx
        {{0xF0, 0x01, 0x90, 0x3C, 0x40}, "XF0 X01 E0 S903C40"},     // SysEx cut off
        {{0xF7, 0xF6, 0xF2, 0x01, 0x02, 0xF1, 0x03}, "SF6 SF20102 SF103"},
        {{0xF2, 0x01, 0x02, 0x03}, "SF20102"},                      // no running status for system messages
        {{0xF0, 0xF0, 0x01, 0xF7}, "XF0 E0 XF0 X01 XF7 E1"},
    };
    for (const Case& each : cases)
        EXPECT_EQ(each.expected, parse(each.bytes));
}

TEST(MidiInputParser, GivesTheSameMessagesWhateverTheBytesArePiecedInto)
{
    const std::vector<BYTE> bytes{0x90, 0x3C, 0x40, 0xF0, 0x01, 0x02, 0x03, 0xF7, 0xB0, 0x07, 0x64, 0x08, 0x10};
    EXPECT_EQ("S903C40 XF0 X01 X02 X03 XF7 E1 SB00764 SB00810", parse(bytes, 1));
    EXPECT_EQ("S903C40 XF0 X0102 X03 XF7 E1 SB00764 SB00810", parse(bytes, 3));
}

TEST(MidiInputParser, ResetEndsASysexInProgressAndForgetsRunningStatus)
{
    MidiInputParser parser;
    TextSink sink;
    const BYTE start[] = {0x90, 0x3C, 0x40, 0xF0, 0x01};
    parser.feed(start, sizeof start, sink);
    parser.reset(sink);
    const BYTE more[] = {0x02, 0x3E, 0x00};
    parser.feed(more, sizeof more, sink);
    EXPECT_EQ("S903C40 XF0 X01 E0", sink.text);
}

TEST(MidiInputParser, MessageLengthFollowsTheStatusByte)
{
    const std::pair<BYTE, size_t> cases[] = {{0x80, 3}, {0x9F, 3}, {0xA0, 3}, {0xB0, 3}, {0xC0, 2}, {0xD0, 2},
                                             {0xE0, 3}, {0xF0, 0}, {0xF1, 2}, {0xF2, 3}, {0xF3, 2}, {0xF6, 1},
                                             {0xF7, 0}, {0xF8, 1}, {0xFF, 1}, {0x00, 0}, {0x7F, 0}};
    for (const auto& each : cases)
        EXPECT_EQ(each.second, MidiInputParser::messageLength(each.first)) << std::hex << int(each.first);
}
