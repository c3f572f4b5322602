// Tr::MidiManagerDev, Tr::MMDevIn and Tr::MMDevOut: the state lines, the
// descriptor and port they own, and the aliases they bind.
#include "MidiManagerDev.h"

#include "TMidiInputBase.h"

#include "support/MidiManagerTestSupport.h"

#include <gtest/gtest.h>

#include <memory>

using TestSupport::ScriptedMidiFactory;

namespace
{
// Factories of the ids the options encode, so that the id a record reads
// shows as the factory id of its descriptor.
class MidiManagerDevTest : public TestSupport::MidiManagerTest
{
protected:
    MidiManagerDevTest()
    {
        for (uint32_t id : {Tr::kFactoryIdMME, Tr::kFactoryIdKQID, Tr::kFactoryIdIntM, 0xFFFFFFFFu})
            manager->addFactory(new ScriptedMidiFactory(id), false);
    }

    // A descriptor of the scripted factory's listed port number index.
    std::unique_ptr<Tr::MidiDeviceDescriptor> listed(bool isInput, int index)
    {
        Tr::MidiDeviceDescriptorList list;
        factory->getDescriptors(isInput, list);
        std::unique_ptr<Tr::MidiDeviceDescriptor> d(list.get(index)->clone());
        list.deleteAll();
        return d;
    }
};
} // namespace

TEST_F(MidiManagerDevTest, OptionsGiveThePassFlagsThenTheFactoryFlagsThenEightHexDigits)
{
    const struct
    {
        bool isInput;
        const char* options; // null: no Options line
        uint32_t id;
        bool activeSensing = true; // inputs only
        bool clock = true;
    } cases[] = {
        {false, nullptr, Tr::kFactoryIdMME},
        {false, "T", Tr::kFactoryIdKQID},
        {false, "t", Tr::kFactoryIdMME},
        {false, "FT", Tr::kFactoryIdIntM},
        {false, "TT", Tr::kFactoryIdIntM},
        {false, "FF4944494D", Tr::kFactoryIdMME},
        {false, "FF4449514b", Tr::kFactoryIdKQID},
        {false, "FF4944494G", 0xFFFFFFFFu},
        {false, "FF54534554 and more", ScriptedMidiFactory::kDefaultId},
        {false, "FF49", Tr::kFactoryIdMME},
        {false, "TF49", Tr::kFactoryIdKQID},
        {true, "", Tr::kFactoryIdMME},
        {true, "F", Tr::kFactoryIdMME, false, true},
        {true, "FT", Tr::kFactoryIdMME, false, true},
        {true, "TFT", Tr::kFactoryIdKQID, true, false},
        {true, "FFFT", Tr::kFactoryIdIntM, false, false},
        {true, "TTFF4944494D", Tr::kFactoryIdMME},
        {true, "TTFF4944494", Tr::kFactoryIdMME},
        {true, "TTFF-944494D", 0xFFFFFFFFu},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(std::string(c.isInput ? "input " : "output ") + (c.options ? c.options : "(missing)"));
        Tr::TIniFile ini;
        const char* section = c.isInput ? "MIDI.in" : "MIDI.out";
        ini.writeString(section, "Name3", "Synth");
        if (c.options)
            ini.writeString(section, "Options3", c.options);
        Tr::MMDevIn input(nullptr, 0);
        Tr::MMDevOut output(nullptr, 0);
        Tr::MidiManagerDev& device = c.isInput ? static_cast<Tr::MidiManagerDev&>(input) : output;
        device.readState(ini, 3);
        EXPECT_EQ(device.getFactoryId(), c.id);
        EXPECT_EQ(device.getDescriptorDisplayName(), "Synth");
        EXPECT_EQ(device.getDescriptor()->isInput(), c.isInput);
        EXPECT_EQ(input.getPassActiveSensing(), c.activeSensing);
        EXPECT_EQ(input.getPassClock(), c.clock);
    }
}

TEST_F(MidiManagerDevTest, WritesTheDescriptorDisplayNameAndTheOptionsOfItsKind)
{
    Tr::TIniFile ini;
    Tr::MMDevOut mme(Tr::kFactoryIdMME, 0, "Synth");
    mme.writeState(ini, 0);
    Tr::MMDevOut kqid(Tr::kFactoryIdKQID, 1, "Other");
    kqid.writeState(ini, 1);
    Tr::MMDevOut none(0x12345678, 2, "Gone"); // no such factory: id 0
    none.writeState(ini, 2);
    Tr::MMDevIn input(Tr::kFactoryIdMME, 0, "Keys");
    input.writeState(ini, 0);
    input.setPassClock(false);
    input.writeState(ini, 1);
    input.setPassActiveSensing(false);
    input.setPassClock(true);
    input.writeState(ini, 2);

    EXPECT_EQ(ini.readString("MIDI.out", "Name0", "?"), "Synth");
    EXPECT_EQ(ini.readString("MIDI.out", "Options0", "?"), "FF4944494D");
    EXPECT_EQ(ini.readString("MIDI.out", "Options1", "?"), "TF4449514B");
    EXPECT_EQ(ini.readString("MIDI.out", "Options2", "?"), "FF00000000");
    EXPECT_EQ(ini.readString("MIDI.in", "Name0", "?"), "Keys");
    EXPECT_EQ(ini.readString("MIDI.in", "Options0", "?"), "TTFF4944494D");
    EXPECT_EQ(ini.readString("MIDI.in", "Options1", "?"), "TFFF4944494D");
    EXPECT_EQ(ini.readString("MIDI.in", "Options2", "?"), "FTFF4944494D");
}

TEST_F(MidiManagerDevTest, TheStateLinesAndDisplayNameCarryTheDuplicateNumber)
{
    factory->addOutput("Synth");
    factory->addOutput("Synth");
    replug();
    Tr::MMDevOut second(listed(false, 1).get(), 1);
    EXPECT_EQ(second.getDescriptorDisplayName(), "Synth (2)");
    EXPECT_EQ(second.getDisplayName(), "Synth (2)");
    EXPECT_EQ(second.getFactoryId(), ScriptedMidiFactory::kDefaultId);
    Tr::TIniFile ini;
    second.writeState(ini, 0);
    EXPECT_EQ(ini.readString("MIDI.out", "Name0", "?"), "Synth (2)");
    EXPECT_EQ(ini.readString("MIDI.out", "Options0", "?"), "FF54534554");
}

TEST_F(MidiManagerDevTest, AnInputsPortGetsItsOwnerTheManagerAndThePassFlags)
{
    factory->addInput("Keys");
    replug();
    Tr::MMDevIn input(listed(true, 0).get(), 4);
    input.setPassClock(false);
    auto* port = dynamic_cast<Tr::TMidiInputBase*>(input.getPort());
    ASSERT_NE(port, nullptr);
    EXPECT_EQ(input.getPort(), port) << "made once";
    EXPECT_EQ(port->getOwner(), &input);
    EXPECT_EQ(port->getOwnerIndex(), 4);
    EXPECT_EQ(port->getDataListener(), manager);
    EXPECT_FALSE(port->getPassClock());
    EXPECT_TRUE(port->getPassActiveSensing());
    input.setPassActiveSensing(false);
    EXPECT_FALSE(port->getPassActiveSensing()) << "a change reaches the port";

    Tr::MMDevIn placeholder(Tr::kFactoryIdKQID, 0, "Keys");
    EXPECT_NE(placeholder.getPort(), nullptr) << "a placeholder of an attached factory can make a port";
    Tr::MMDevIn orphan(0x12345678, 0, "Keys");
    EXPECT_EQ(orphan.getPort(), nullptr) << "without a factory no port";
}

TEST_F(MidiManagerDevTest, ANewDescriptorKeepsAPortOfItsFactoryAndDeletesAnyOther)
{
    factory->addOutput("Synth");
    replug();
    std::unique_ptr<Tr::MidiDeviceDescriptor> d = listed(false, 0);
    Tr::MMDevOut device(d.get(), 0);
    Tr::TMidiDeviceBase* port = device.getPort();
    ASSERT_NE(port, nullptr);

    d->setDuplicateNumber(2);
    device.setDescriptor(d.get());
    EXPECT_EQ(device.currentPort(), port);
    EXPECT_EQ(port->getDisplayName(), "Synth (2)") << "the port was handed the descriptor";
    EXPECT_EQ(device.getDescriptorDisplayName(), "Synth (2)");

    device.setDescriptor(nullptr);
    EXPECT_EQ(device.getDescriptorDisplayName(), "Synth (2)");

    Tr::MidiDeviceDescriptor other(manager->findFactory(Tr::kFactoryIdKQID), false, 0, "Synth", "", "", "");
    device.setDescriptor(&other);
    EXPECT_EQ(device.currentPort(), nullptr) << "a port of another factory is deleted";
    EXPECT_EQ(device.getFactoryId(), Tr::kFactoryIdKQID);
}

TEST_F(MidiManagerDevTest, AliasesAreCollectedOnlyByAPresentRecord)
{
    factory->addOutput("Synth");
    resume();
    Tr::TMidiAliasManager* aliases = Tr::TMidiAliasManager::getInstance();
    Tr::TMidiAlias* named = aliases->lookupAlias("Synth", Tr::kMidiKindOutput, false);
    ASSERT_NE(named, nullptr);
    aliases->addAlias("Chooser", "Synth", Tr::kMidiKindOutput);
    aliases->addAlias("In", "Synth", Tr::kMidiKindInput);

    Tr::MidiManagerDev* device = manager->getDevice(0, false);
    ASSERT_EQ(device->getAliases().count(), 2);
    EXPECT_EQ(device->getAliases().at(1)->getName(), "Chooser");
    EXPECT_EQ(device->getAliases().at(1)->getDeviceIndex(), 0);

    device->setPresent(false);
    aliases->addAlias("Late", "Synth", Tr::kMidiKindOutput);
    EXPECT_EQ(device->getAliases().count(), 2) << "an absent record leaves its list as it was";
}
