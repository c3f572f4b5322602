#include "MidiDeviceDescriptorWin.h"
#include "MidiWinFactory.h"
#include "Millis.h"
#include "OsVersion.h"

#include "registry/PlatformRegistry.h"
#include "support/MidiTestSupport.h"
#include "support/TStringPrinting.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace
{
using Backend = PlatformMidi::MemoryMidiBackend;

const char* const kUsbPath = "\\\\?\\USB#VID_1234&PID_5678&MI_01#7&2a3b&0&0001#{6994ad04}";
const std::string kUsbKey = "SYSTEM\\CurrentControlSet\\Enum\\USB\\VID_1234&PID_5678&MI_01\\7&2a3b&0&0001";

class MmeDescriptor : public ::testing::Test
{
protected:
    void TearDown() override { PlatformRegistry::clear(); }

    // A USB audio device known to the registry, with its parent.
    static void fillRegistry()
    {
        PlatformRegistry::setValue(kUsbKey, "Service", "usbaudio");
        PlatformRegistry::setValue(kUsbKey, "FriendlyName", "Friendly Synth");
        PlatformRegistry::setValue(kUsbKey, "LocationInformation", "Port 2");
        PlatformRegistry::setValue("SYSTEM\\CurrentControlSet\\Enum\\USB\\VID_1234&PID_5678\\6&1", "ParentIdPrefix",
                                   "7&2A3B");
    }

    TestSupport::ScopedMidiBackend<> backend;
};
} // namespace

TEST_F(MmeDescriptor, AnUnchangedPathKeepsTheDescriptorWithoutAskingAgain)
{
    const int key = backend->addInput("Keys", "memory:keys");
    Tr::MidiDeviceDescriptorWin d(true, 0);
    EXPECT_EQ(d.getName(), "Keys");
    EXPECT_EQ(d.getInterfacePath(), "memory:keys");
    const unsigned capsAsked = backend->capsQueries(key);
    backend->rename(key, "Renamed");
    EXPECT_FALSE(d.refresh());
    EXPECT_EQ(d.getName(), "Keys");
    EXPECT_EQ(backend->capsQueries(key), capsAsked);
    // Without a path the name is read again.
    const int bare = backend->addInput("Bare");
    Tr::MidiDeviceDescriptorWin e(true, 1);
    EXPECT_EQ(e.getName(), "Bare");
    EXPECT_FALSE(e.refresh());
    backend->rename(bare, "Bare 2");
    EXPECT_TRUE(e.refresh());
    EXPECT_EQ(e.getName(), "Bare 2");
}

TEST_F(MmeDescriptor, AFailedCapabilityQueryNamesTheDeviceUnknownForGood)
{
    const int key = backend->addOutput("Synth");
    backend->failCaps(key, MMSYSERR_NODRIVER);
    Tr::MidiDeviceDescriptorWin d(false, 1);
    EXPECT_EQ(d.getName(), "unknown");
    EXPECT_TRUE(d.capsFailed());
    backend->failCaps(key, 0);
    backend->rename(key, "Synth 2");
    d.refresh();
    EXPECT_EQ(d.getName(), "unknown");
    const std::unique_ptr<Tr::MidiDeviceDescriptor> copy(d.clone());
    auto* win = dynamic_cast<Tr::MidiDeviceDescriptorWin*>(copy.get());
    ASSERT_NE(win, nullptr);
    EXPECT_TRUE(win->equals(&d));
    EXPECT_EQ(win->getCapsName(), "unknown");
    EXPECT_FALSE(win->capsFailed());
}

TEST_F(MmeDescriptor, AbsurdOrFailedPathAnswersGiveNoPath)
{
    struct Case
    {
        const char* why;
        MMRESULT sizeCode;
        ULONG size;
        MMRESULT pathCode;
        std::string path;
        unsigned pathQueries;
    };
    const Case cases[] = {
        {"size 0", 0, 0, 0, "memory:x", 0},
        {"size 10000", 0, 10000, 0, "memory:x", 0},
        {"size refused", MMSYSERR_NOTSUPPORTED, 0, 0, "memory:x", 0},
        {"path refused", 0, 100, MMSYSERR_NOTSUPPORTED, "memory:x", 1},
        {"two characters", 0, 100, 0, "ab", 1},
    };
    for (const Case& c : cases)
    {
        const int key = backend->addInput("Keys", c.path);
        backend->answerPathSize(key, c.sizeCode, c.size);
        backend->failPath(key, c.pathCode);
        Tr::MidiDeviceDescriptorWin d(true, 0);
        EXPECT_TRUE(d.getInterfacePath().isEmpty()) << c.why;
        EXPECT_EQ(backend->pathQueries(key), c.pathQueries) << c.why;
        EXPECT_EQ(d.getName(), "Keys") << c.why;
        backend->remove(key);
    }
    // Three characters are a path.
    const int key = backend->addInput("Keys", "abc");
    EXPECT_EQ(Tr::MidiDeviceDescriptorWin(true, 0).getInterfacePath(), "abc");
    backend->remove(key);
}

TEST_F(MmeDescriptor, TheMapperIsAskedForItsCapsWithoutAPath)
{
    const int key = backend->addOutput("Synth", "memory:synth");
    Tr::MidiDeviceDescriptorWin mapper(false, 0);
    EXPECT_EQ(mapper.getName(), "MIDI Mapper");
    EXPECT_TRUE(mapper.getInterfacePath().isEmpty());
    EXPECT_EQ(backend->pathSizeQueries(key), 0u);
    Tr::MidiDeviceDescriptorWin synth(false, 1);
    EXPECT_EQ(synth.getName(), "Synth");
    EXPECT_EQ(synth.getInterfacePath(), "memory:synth");
    EXPECT_EQ(synth.mapperOffset(), 1);
}

TEST_F(MmeDescriptor, FromVistaOnAUsbDeviceKeepsItsCapsNameAndFindsItsParent)
{
    fillRegistry();
    backend->addInput("Caps Synth", kUsbPath);
    Tr::MidiDeviceDescriptorWin d(true, 0);
    EXPECT_EQ(d.getName(), "Caps Synth");
    EXPECT_EQ(d.getUsbName(), "Friendly Synth");
    EXPECT_EQ(d.getParentId(), "6&1");
}

TEST_F(MmeDescriptor, BeforeVistaAUsbDeviceIsNamedByItsLocation)
{
    // The descriptors settle the system's version at their first use in a
    // process, which an earlier case may have made: looked at in a process
    // of its own, started afresh (not forked from this one).
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto namedByLocation = [&] {
        Tr::g_osVersion = Tr::TOsVersion{2, 5, 1};
        fillRegistry();
        backend->addInput("Caps Synth", kUsbPath);
        Tr::MidiDeviceDescriptorWin d(true, 0);
        const std::string seen = std::string(d.getName().c_str()) + "|" + d.getUsbName().c_str() + "|"
                                 + d.getCapsName().c_str() + "|" + d.getParentId().c_str();
        std::fprintf(stderr, "name|USB name|caps name|parent: %s\n", seen.c_str());
        return seen == "Port 2|Port 2|Caps Synth|6&1";
    };
    EXPECT_EXIT(std::exit(namedByLocation() ? 0 : 1), ::testing::ExitedWithCode(0), "");
}

TEST_F(MmeDescriptor, TheFactoryReReadsItsDescriptorsInPlaceByDeviceNumber)
{
    const int one = backend->addInput("One", "memory:one");
    const int two = backend->addInput("Two");
    Tr::MidiWinFactory* factory = Tr::MidiWinFactory::getInstance();
    Tr::TStringList names;
    factory->getDisplayNames(true, names);
    ASSERT_EQ(names.count(), 2);
    backend->rename(one, "One renamed");
    backend->rename(two, "Two renamed");
    backend->addInput("Three");
    Tr::sleepMs(Tr::MidiDeviceFactory::kRefreshInterval + 100); // past the factory's refresh guard
    factory->getDisplayNames(true, names);
    // Kept by device number: the device with an unchanged path keeps its name.
    ASSERT_EQ(names.count(), 3);
    EXPECT_EQ(names.at(0), "One");
    EXPECT_EQ(names.at(1), "Two renamed");
    EXPECT_EQ(names.at(2), "Three");
}
