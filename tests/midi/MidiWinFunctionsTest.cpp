#include "MidiMessages.h"
#include "MidiWinFunctions.h"

#include "support/TStringPrinting.h"

#include <gtest/gtest.h>

TEST(MidiWinFunctions, MessageLengthFollowsTheStatusByte)
{
    struct Range
    {
        unsigned first;
        unsigned last;
        int length;
    };
    const Range table[] = {
        {0x00, 0x7F, 0}, {0x80, 0xBF, 3}, {0xC0, 0xDF, 2}, {0xE0, 0xEF, 3}, {0xF0, 0xF0, 0}, {0xF1, 0xF1, 2},
        {0xF2, 0xF2, 3}, {0xF3, 0xF3, 2}, {0xF4, 0xF5, 0}, {0xF6, 0xFF, 1},
    };
    for (const Range& r : table)
        for (unsigned status = r.first; status <= r.last; ++status)
            EXPECT_EQ(Tr::midiMessageLength(static_cast<uint8_t>(status)), r.length) << std::hex << status;
}

TEST(MidiWinFunctions, AnErrorWithoutSystemTextIsUnspecifiedAndFollowsItsPrefixOnANewLine)
{
    // No system text exists for this code, on either side.
    const MMRESULT unknown = 999;
    for (const bool isInput : {false, true})
    {
        EXPECT_EQ(Tr::getMidiErrorText(unknown, isInput, Tr::TString()), Tr::kMidiUnspecifiedError);
        EXPECT_EQ(Tr::getMidiErrorText(unknown, isInput, "Cannot do it:"),
                  Tr::TString("Cannot do it:\r\n") + Tr::kMidiUnspecifiedError);
    }
    EXPECT_EQ(Tr::kMidiUnspecifiedError, "Unspecified error");
}
