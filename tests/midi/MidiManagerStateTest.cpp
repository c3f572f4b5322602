// Saving and restoring the MIDI manager's port choices in "MIDI.in" and
// "MIDI.out".
#include "MidiManager.h"

#include "support/MidiManagerTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using TestSupport::ScriptedDevicePtr;
using TestSupport::ScriptedMidiFactory;
using Strings = std::vector<std::string>;

namespace
{
using MidiManagerState = TestSupport::MidiManagerTest;

Strings section(Tr::TIniFile& ini, const char* name)
{
    const Tr::TStringList& lines = ini.getSection(name);
    Strings out;
    for (int i = 0; i < lines.count(); ++i)
        out.push_back(lines.at(i).c_str());
    return out;
}

// Name<n>/Options<n> lines for the names, with the scripted factory's id.
void writeSaved(Tr::TIniFile& ini, const char* section, const Strings& names, const char* options = "FF54534554")
{
    for (size_t n = 0; n < names.size(); ++n)
    {
        ini.writeString(section, Tr::numberedKey("Name", static_cast<int>(n)), names[n].c_str());
        ini.writeString(section, Tr::numberedKey("Options", static_cast<int>(n)), options);
    }
}
// restoreInput or restoreOutput, never adding a placeholder.
int restored(Tr::MidiManager* manager, bool isInput, const Tr::TString& name, uint32_t factoryId)
{
    return isInput ? manager->restoreInput(name, factoryId, false) : manager->restoreOutput(name, factoryId, false);
}
} // namespace

TEST_F(MidiManagerState, SavingWritesThePortsOpenOrWantedAndDeletesStaleLinesUpToAGap)
{
    factory->addOutput("A");
    factory->addOutput("B");
    factory->addOutput("C");
    factory->addInput("Keys");
    resume();
    manager->openDevice(1, false, true);
    manager->getDevice(2, false)->setWantedOpen(true);
    manager->openDevice(0, true, true);

    Tr::TIniFile ini;
    writeSaved(ini, "MIDI.out", {"x", "y", "z"});
    ini.writeString("MIDI.out", "Name4", "after a gap");
    manager->saveState(ini);
    EXPECT_EQ(section(ini, "MIDI.out"), (Strings{"Name4=after a gap", "Name0=B", "Options0=FF54534554", "Name1=C",
                                                 "Options1=FF54534554"}));
    EXPECT_EQ(section(ini, "MIDI.in"), (Strings{"Name0=Keys", "Options0=TTFF54534554"}));

    manager->closeDevice(1, false, true, false);
    manager->closeDevice(2, false, true, false);
    manager->saveState(ini);
    EXPECT_EQ(section(ini, "MIDI.out"), Strings{"Name4=after a gap"});
}

TEST_F(MidiManagerState, SavingDeletesEveryLineOfAStaleKeyThatAHandEditedFileHoldsTwice)
{
    factory->addOutput("A");
    resume();
    manager->openDevice(0, false, true);
    const char text[] = "[MIDI.out]\nName1=x\nOptions1=FF54534554\nName1=y\nOptions1=FF54534554\nName2=z\n";
    Tr::TStringList lines;
    lines.setText(text);
    Tr::TIniFile ini;
    ini.parse(lines);
    manager->saveState(ini);
    EXPECT_EQ(section(ini, "MIDI.out"), (Strings{"Name0=A", "Options0=FF54534554"}));

    manager->closeDevice(0, false, true, false);
    manager->loadState(ini);
    EXPECT_EQ(records(false), Strings{"A"}) << "no stale port comes back";
}

TEST_F(MidiManagerState, SavedPortsComeBackAsWantedPlaceholdersAndOpenWithTheFirstScan)
{
    ScriptedDevicePtr b = factory->addOutput("B");
    ScriptedDevicePtr keys = factory->addInput("Keys");
    Tr::TIniFile ini;
    writeSaved(ini, "MIDI.out", {"Gone", "B"});
    ini.writeString("MIDI.in", "Name0", "Keys");
    ini.writeString("MIDI.in", "Options0", "FFFF54534554");

    manager->loadState(ini); // suspended, never scanned: placeholders only
    EXPECT_EQ(records(false), (Strings{"-Gone", "-B"}));
    EXPECT_EQ(records(true), Strings{"-Keys"});
    EXPECT_TRUE(manager->getDevice(1, false)->isWantedOpen());
    EXPECT_FALSE(b->open);

    resume();
    EXPECT_EQ(records(false), (Strings{"-Gone", "B"}));
    EXPECT_TRUE(b->open);
    EXPECT_TRUE(keys->open);
    EXPECT_FALSE(manager->getDevice(1, false)->isWantedOpen());
    EXPECT_TRUE(manager->getDevice(0, false)->isWantedOpen()) << "still absent: still wanted";

    Tr::TIniFile next;
    manager->saveState(next);
    EXPECT_EQ(section(next, "MIDI.out"), (Strings{"Name0=Gone", "Options0=FF54534554", "Name1=B",
                                                  "Options1=FF54534554"}))
        << "an absent but wanted port is saved again";
}

TEST_F(MidiManagerState, LoadingTwiceMarksTheSameRecordsAndTheHighestIndexOfANameWins)
{
    factory->addOutput("A");
    resume();
    ASSERT_EQ(manager->restoreOutput("A", ScriptedMidiFactory::kDefaultId, false), 0);
    Tr::MidiManagerDev* second = manager->getDevice(manager->restoreOutput("Other", 0, true), false);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(manager->restoreOutput("Missing", ScriptedMidiFactory::kDefaultId, false), -1);
    EXPECT_EQ(manager->restoreOutput("", ScriptedMidiFactory::kDefaultId, true), -1);

    Tr::TIniFile ini;
    writeSaved(ini, "MIDI.out", {"A", "New"});
    manager->loadState(ini);
    manager->loadState(ini);
    EXPECT_EQ(records(false), (Strings{"A", "-Other", "-New"}));
    EXPECT_TRUE(manager->getDevice(2, false)->isWantedOpen());
    EXPECT_FALSE(manager->getDevice(0, false)->isOpen()) << "loading opens nothing";
    manager->rescan(false, true);
    EXPECT_TRUE(manager->getDevice(0, false)->isOpen()) << "present and wanted: opened by the next rescan";
}

TEST_F(MidiManagerState, ASavedPortWithoutANameIsKeptAsRead)
{
    Tr::TIniFile ini;
    ini.writeString("MIDI.out", "Name0", "");
    ini.writeString("MIDI.out", "Options0", "FF54534554");
    manager->loadState(ini);
    ASSERT_EQ(manager->getDeviceCount(false), 1);
    Tr::MidiManagerDev* kept = manager->getDevice(0, false);
    EXPECT_TRUE(kept->isWantedOpen());
    EXPECT_EQ(kept->getFactoryId(), ScriptedMidiFactory::kDefaultId);
    manager->loadState(ini);
    EXPECT_EQ(manager->getDeviceCount(false), 1) << "found again by its empty name";
}

TEST_F(MidiManagerState, WithoutStatePersistenceNothingIsReadOrWritten)
{
    factory->addOutput("A");
    resume();
    manager->openDevice(0, false, true);
    manager->setStatePersistence(false);
    Tr::TIniFile ini;
    writeSaved(ini, "MIDI.out", {"Saved"});
    manager->loadState(ini);
    manager->saveState(ini);
    EXPECT_EQ(records(false), Strings{"A"});
    EXPECT_EQ(section(ini, "MIDI.out"), (Strings{"Name0=Saved", "Options0=FF54534554"}));
}

TEST_F(MidiManagerState, OfTwoRecordsWithTheSameNameAndFactoryTheHigherIndexIsRestored)
{
    factory->addOutput("A");
    factory->addOutput("B");
    factory->addInput("Keys");
    factory->addInput("Pads");
    resume();
    for (const bool isInput : {false, true})
    {
        SCOPED_TRACE(isInput ? "input" : "output");
        // The second record takes the first one's descriptor, name and factory.
        manager->getDevice(1, isInput)->setDescriptor(manager->getDevice(0, isInput)->getDescriptor());
        const Tr::TString name = isInput ? "Keys" : "A";
        EXPECT_EQ(restored(manager, isInput, name, ScriptedMidiFactory::kDefaultId), 1);
        EXPECT_EQ(restored(manager, isInput, name, 0), -1) << "the factory id must match too";
    }

    Tr::TIniFile ini;
    writeSaved(ini, "MIDI.out", {"A"});
    ini.writeString("MIDI.in", "Name0", "Keys");
    ini.writeString("MIDI.in", "Options0", "TTFF54534554");
    manager->loadState(ini);
    for (const bool isInput : {false, true})
    {
        EXPECT_FALSE(manager->getDevice(0, isInput)->isWantedOpen()) << isInput;
        EXPECT_TRUE(manager->getDevice(1, isInput)->isWantedOpen()) << isInput;
    }
    EXPECT_EQ(records(false), (Strings{"A", "A"})) << "no placeholder added";
}

TEST_F(MidiManagerState, AKQIDRecordIsAlsoFoundByTheNameOfItsPort)
{
    // Only that factory's records are matched by the display name of their
    // port as well; every other record only by its own.
    auto* kqid = new ScriptedMidiFactory(Tr::kFactoryIdKQID);
    manager->addFactory(kqid, false);
    for (ScriptedMidiFactory* family : {factory, kqid})
    {
        const std::string name = "Listed " + std::to_string(family->getFactoryId());
        family->addOutput(name);
        family->addInput(name);
    }
    resume();
    for (ScriptedMidiFactory* family : {factory, kqid})
        for (const bool isInput : {false, true})
        {
            const uint32_t id = family->getFactoryId();
            SCOPED_TRACE(std::to_string(id) + (isInput ? " input" : " output"));
            const int index = manager->findDeviceByName(("Listed " + std::to_string(id)).c_str(), isInput);
            ASSERT_GE(index, 0);
            Tr::MidiManagerDev* record = manager->getDevice(index, isInput);
            ASSERT_NE(record->getPort(), nullptr);
            const Tr::MidiDeviceDescriptor renamed(family, isInput, 0, "Port name", "", "", "");
            record->currentPort()->setDescriptor(&renamed);
            EXPECT_EQ(restored(manager, isInput, "Port name", id), id == Tr::kFactoryIdKQID ? index : -1);
            EXPECT_EQ(restored(manager, isInput, "Port name", 0), -1) << "the factory id must match too";
            record->currentPort()->setDescriptor(record->getDescriptor());
        }
}
