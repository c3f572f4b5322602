// Runs in a folder holding the Language.ini beside this file (the build
// copies it there and CTest starts the test in it), so the MIDI texts, made
// before main, were looked up in it.
#include "Localize.h"
#include "MidiMessages.h"
#include "TextFunctions.h"

#include "support/TStringPrinting.h"

#include <gtest/gtest.h>

#include <filesystem>

TEST(MidiMessages, LanguageIniTranslatesTheMessagesButNotTheStoredNames)
{
    ASSERT_TRUE(std::filesystem::exists("Language.ini")) << "run this test in the folder holding its Language.ini";

    EXPECT_EQ(Tr::kMidiOpenedOut, "Port opened: %s");
    EXPECT_EQ(Tr::formatStr(Tr::kMidiOpenedOut, "Synth"), "Port opened: Synth");
    EXPECT_EQ(Tr::kMidiClosedOut, "Closed MIDI OUT: %s") << "texts without a translation stay English";

    // The file would translate these names, yet the stored state keeps them.
    ASSERT_EQ(Tr::localize("Name"), "Nom");
    ASSERT_EQ(Tr::localize("MIDI.in"), "MIDI.entree");
    EXPECT_EQ(Tr::kMidiDeviceNameKey, "Name");
    EXPECT_EQ(Tr::kMidiAliasNameKey, "Name");
    EXPECT_EQ(Tr::kMidiInSection, "MIDI.in");
    EXPECT_EQ(Tr::kMidiDeviceOptionsKey, "Options");
}
