#include "TMidiDeviceBase.h"

#include "OpenDeviceNames.h"
#include "support/ScriptedMidiFactory.h"
#include "support/TStringPrinting.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>

using TestSupport::ScriptedMidiFactory;

namespace
{
// A scripted factory with one output and one input named "Synth", and a
// port made for the first device of the kind wanted.
struct Ports
{
    ScriptedMidiFactory factory;
    TestSupport::ScriptedDevicePtr output = factory.addOutput("Synth");
    TestSupport::ScriptedDevicePtr input = factory.addInput("Synth");

    std::unique_ptr<Tr::TMidiDeviceBase> make(bool isInput)
    {
        Tr::MidiDeviceDescriptorList list;
        factory.getDescriptors(isInput, list);
        std::unique_ptr<Tr::TMidiDeviceBase> port(factory.createPort(list.get(0)));
        list.deleteAll();
        return port;
    }
};

bool listed(bool isInput, const char* name)
{
    return Tr::openDeviceNames(isInput).contains(name);
}
} // namespace

TEST(TMidiDeviceBase, OpenAndCloseKeepTheListOfOpenPortsOfTheKind)
{
    Ports ports;
    auto output = ports.make(false);
    output->open();
    EXPECT_TRUE(output->isOpen());
    EXPECT_TRUE(ports.output->open);
    EXPECT_TRUE(listed(false, "Synth"));
    EXPECT_FALSE(listed(true, "Synth"));

    output->open(); // already open: the driver is not asked again
    EXPECT_EQ(ports.output->openCount, 1);

    output->close();
    EXPECT_TRUE(output->isClosed());
    EXPECT_FALSE(ports.output->open);
    EXPECT_FALSE(listed(false, "Synth"));
}

TEST(TMidiDeviceBase, CloseOnAClosedPortStillRemovesItsName)
{
    Ports ports;
    auto input = ports.make(true);
    Tr::addOpenDeviceName(true, "SYNTH");
    input->close();
    EXPECT_FALSE(listed(true, "Synth"));
    EXPECT_EQ(ports.input->closeCount, 0) << "the driver is not asked to close a closed port";
}

TEST(TMidiDeviceBase, AFailedOpenPassesTheDriversErrorOnAndLeavesThePortClosedAndUnlisted)
{
    Ports ports;
    ports.output->openError = "Cannot open MIDI output device \"Synth\":\r\nbusy";
    auto output = ports.make(false);
    try
    {
        output->open();
        FAIL() << "open did not throw";
    }
    catch (const Tr::Exception& e)
    {
        EXPECT_STREQ(e.what(), "Cannot open MIDI output device \"Synth\":\r\nbusy");
    }
    EXPECT_TRUE(output->isClosed());
    EXPECT_FALSE(listed(false, "Synth"));

    // The port lock was released: another thread can open once the device works.
    ports.output->openError.clear();
    std::thread opener([&] { output->open(); });
    opener.join();
    EXPECT_TRUE(output->isOpen());
}

TEST(TMidiDeviceBase, AnOpenThatLeavesThePortClosedListsNothing)
{
    Ports ports;
    ports.output->openLeavesClosed = true;
    auto output = ports.make(false);
    output->open();
    EXPECT_TRUE(output->isClosed());
    EXPECT_FALSE(listed(false, "Synth"));
}

TEST(TMidiDeviceBase, SetDescriptorTakesACopyOnlyOfADifferentDescriptor)
{
    Ports ports;
    auto output = ports.make(false);
    const Tr::MidiDeviceDescriptor* before = output->getDescriptor();
    std::unique_ptr<Tr::MidiDeviceDescriptor> other(before->clone());
    output->setDescriptor(nullptr);
    output->setDescriptor(other.get());
    EXPECT_EQ(output->getDescriptor(), before) << "null and an equal descriptor change nothing";

    other->setDuplicateNumber(2);
    output->setDescriptor(other.get());
    EXPECT_NE(output->getDescriptor(), other.get());
    EXPECT_EQ(output->getDisplayName(), "Synth (2)");
}
