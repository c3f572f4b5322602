#include "MidiManagerInitializer.h"
#include "MidiWinFactory.h"
#include "TMidiInputWin.h"
#include "TMidiOutputWin.h"

#include "support/MidiTestSupport.h"

#include "support/TStringPrinting.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <typeinfo>

TEST(MidiWinFactory, IsNamedMidiInMemoryOrderAndTellsItsKinds)
{
    Tr::MidiWinFactory* factory = Tr::MidiWinFactory::getInstance();
    EXPECT_EQ(factory, Tr::MidiWinFactory::getInstance());
    const uint32_t id = factory->getFactoryId();
    EXPECT_EQ(std::memcmp(&id, "MIDI", 4), 0);
    EXPECT_EQ(id, 0x4944494Du);
    EXPECT_EQ(factory->getKindName(true), "MIDI Input");
    EXPECT_EQ(factory->getKindName(false), "MIDI Output");
}

TEST(MidiWinFactory, MakesPortsOfTheDescriptorsKindWithTheirOwnDescriptorCopy)
{
    Tr::MidiWinFactory* factory = Tr::MidiWinFactory::getInstance();
    EXPECT_EQ(factory->createPort(nullptr), nullptr);
    const Tr::MidiDeviceDescriptor in(factory, true, 2, "In", "", "", "");
    const Tr::MidiDeviceDescriptor out(factory, false, 1, "Out", "", "", "");
    const std::unique_ptr<Tr::TMidiDeviceBase> input(factory->createPort(&in));
    const std::unique_ptr<Tr::TMidiDeviceBase> output(factory->createPort(&out));
    ASSERT_NE(dynamic_cast<Tr::TMidiInputWin*>(input.get()), nullptr);
    ASSERT_NE(dynamic_cast<Tr::TMidiOutputWin*>(output.get()), nullptr);
    EXPECT_NE(input->getDescriptor(), &in);
    EXPECT_TRUE(input->getDescriptor()->equals(&in));
    EXPECT_TRUE(output->getDescriptor()->equals(&out));
}

TEST(MidiWinFactory, CannotBeMadeAgainOnceDestroyed)
{
    // In a child process: the destruction is for good, and the cases after
    // this one still have a factory.
    EXPECT_EXIT(
        {
            Tr::MidiWinFactory::getInstance();
            Tr::AutoDelete::deleteAll();
            std::string thrown = "no exception";
            try
            {
                Tr::MidiWinFactory::getInstance();
            }
            catch (const Tr::Exception& e)
            {
                thrown = e.what();
            }
            std::fprintf(stderr, "thrown: %s\n", thrown.c_str());
            std::exit(thrown == "Cannot re-instanciate MidiWinFactory!" ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(MidiWinFactory, TheDriversInitializerIsRegisteredBeforeMain)
{
    // Looked up by its type's name, so this test does not link it in itself.
    const Tr::MidiManagerInitializerList* list = Tr::midiManagerInitializers();
    ASSERT_NE(list, nullptr);
    int found = 0;
    for (int i = 0; i < list->count(); ++i)
        if (std::string(typeid(*list->get(i)).name()).find("MidiPortWin_MMInit") != std::string::npos)
            ++found;
    EXPECT_EQ(found, 1);
}

TEST(MidiWinFactory, ListsTheMapperAheadOfTheOutputsOnlyWhenThereAreAny)
{
    TestSupport::ScopedMidiBackend<> backend;
    Tr::MidiWinFactory* factory = Tr::MidiWinFactory::getInstance();
    backend->addInput("In");
    EXPECT_EQ(factory->getDeviceCount(false), 0);
    EXPECT_EQ(factory->getDeviceCount(true), 1);
    backend->addOutput("A");
    backend->addOutput("B");
    EXPECT_EQ(factory->getDeviceCount(false), 3);
    Tr::MidiDeviceDescriptorList outputs;
    factory->getDescriptors(false, outputs);
    ASSERT_EQ(outputs.count(), 3);
    const char* names[] = {"MIDI Mapper", "A", "B"};
    for (int i = 0; i < 3; ++i)
    {
        EXPECT_EQ(outputs[i]->getName(), names[i]) << i;
        EXPECT_EQ(outputs[i]->getIndex(), i);
    }
    EXPECT_TRUE(outputs[0]->getInterfacePath().isEmpty());
    outputs.deleteAll();
}
