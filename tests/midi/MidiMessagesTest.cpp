#include "MidiMessages.h"

#include "support/TStringPrinting.h"

#include <gtest/gtest.h>

#include <filesystem>

// The texts were made before main, in the folder the test runs in.
TEST(MidiMessages, WithoutLanguageIniEveryTextIsItsEnglishOriginal)
{
    ASSERT_FALSE(std::filesystem::exists("Language.ini")) << "run this test in a folder without Language.ini";
    const std::pair<const Tr::TString&, const char*> texts[] = {
        {Tr::kMidiUnspecifiedError, "Unspecified error"},
        {Tr::kMidiIllegalInDeviceId, "Internal error: illegal MIDI In device ID: %d"},
        {Tr::kMidiIllegalOutDeviceId, "Internal error: illegal MIDI Out device ID: %d"},
        {Tr::kMidiInCouldNotBeOpened, "MIDI IN device \"%s\" could not be opened."},
        {Tr::kMidiOutCouldNotBeOpened, "MIDI OUT device \"%s\" could not be opened."},
        {Tr::kMidiOpenedIn, "Opened MIDI IN: %s"},
        {Tr::kMidiClosedIn, "Closed MIDI IN: %s"},
        {Tr::kMidiOpenedOut, "Opened MIDI OUT: %s"},
        {Tr::kMidiClosedOut, "Closed MIDI OUT: %s"},
        {Tr::kMidiCannotOpenInput, "Cannot open MIDI input device \"%s\":"},
        {Tr::kMidiCannotOpenOutput, "Cannot open MIDI output device \"%s\":"},
        {Tr::kMidiInSection, "MIDI.in"},
        {Tr::kMidiOutSection, "MIDI.out"},
        {Tr::kMidiDeviceNameKey, "Name"},
        {Tr::kMidiDeviceOptionsKey, "Options"},
        {Tr::kMidiAliasSection, "MIDI.alias"},
        {Tr::kMidiAliasNameKey, "Name"},
        {Tr::kMidiAliasDeviceKey, "Device"},
    };
    for (const auto& [text, english] : texts)
        EXPECT_EQ(text, english);
}
