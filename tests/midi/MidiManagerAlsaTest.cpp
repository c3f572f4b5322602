// The MIDI manager over the ALSA backend and the kernel's sequencer (run
// inside the virtual machine: scripts/alsa-vm): aseqdump clients that start
// and end reach its lists through the device-change broadcast and the
// rescan; an open port comes back open; clients of equal names are told
// apart and the chosen one is found again.
#include "AutoDelete.h"
#include "MidiManager.h"
#include "MidiManagerDev.h"

#include "midi/AlsaMidiBackend.h"
#include "support/AlsaTestSupport.h"
#include "support/MessageLoop.h"
#include "support/MidiManagerJack.h"
#include "support/MidiTestSupport.h"

#include <gtest/gtest.h>
#include <juce_events/juce_events.h>

#include <memory>
#include <string>
#include <vector>

using TestSupport::AseqdumpPeer;
using Bytes = std::vector<unsigned char>;

namespace
{
// The rescan comes 2 s after the last change of a burst; generous for the
// emulated machine.
constexpr DWORD kLimitMs = 10000;

class MidiManagerOverAlsa : public ::testing::Test
{
protected:
    void SetUp() override
    {
        VASKOR_REQUIRE_ALSA_SEQUENCER();
        backend = std::make_unique<TestSupport::ScopedMidiBackend<PlatformMidi::AlsaMidiBackend>>();
        ASSERT_TRUE((*backend)->isOpen()) << (*backend)->failure();
        manager = TestSupport::startManagerAsTheProgramDoes();
    }

    void TearDown() override
    {
        Tr::AutoDelete::deleteAll(); // closes the ports while the backend is still there
        backend.reset();
    }

    bool isListed(const std::string& name) { return TestSupport::isOutputListed(manager, name); }

    void waitForPresence(const std::string& name, bool present)
    {
        EXPECT_TRUE(TestSupport::runLoopUntil([&] { return isListed(name) == present; }, kLimitMs))
            << name << (present ? " never appeared" : " never vanished");
    }

    /** Sends the bank through the manager to every open output. */
    void sendBank()
    {
        ASSERT_TRUE(manager->send(kBank.data(), static_cast<int>(kBank.size())));
    }

    const Bytes kBank = TestSupport::sysex(690);
    juce::ScopedJuceInitialiser_GUI juce;
    std::unique_ptr<TestSupport::ScopedMidiBackend<PlatformMidi::AlsaMidiBackend>> backend;
    Tr::MidiManager* manager = nullptr;
};
} // namespace

TEST_F(MidiManagerOverAlsa, AClientThatStartsIsListedItsEndDropsItAndAnOpenPortIsOpenedAgainWhenItComesBack)
{
    ASSERT_FALSE(isListed("aseqdump"));
    auto peer = std::make_unique<AseqdumpPeer>();
    ASSERT_TRUE(peer->waitUntilReady());
    waitForPresence("aseqdump", true);
    const int index = manager->findDeviceByName("aseqdump", false);
    ASSERT_GE(index, 0);
    manager->openDevice(index, false, true);
    ASSERT_TRUE(manager->getDevice(index, false)->isOpen());

    peer.reset();
    waitForPresence("aseqdump", false);
    Tr::MidiManagerDev* device = manager->getDevice(index, false);
    EXPECT_FALSE(device->isOpen());
    EXPECT_TRUE(device->isWantedOpen());

    peer = std::make_unique<AseqdumpPeer>();
    ASSERT_TRUE(peer->waitUntilReady());
    waitForPresence("aseqdump", true);
    EXPECT_EQ(index, manager->findDeviceByName("aseqdump", false));
    EXPECT_TRUE(device->isOpen()) << "opened again by the rescan that found it";
    sendBank();
    ASSERT_TRUE(peer->waitForSysex(1));
    EXPECT_EQ(std::vector<Bytes>{kBank}, peer->sysexEvents());
}

TEST_F(MidiManagerOverAlsa, TwoClientsOfEqualNamesAreToldApartAndTheChosenOneIsFoundAgainAfterBothStartAgain)
{
    // Clients and ports of the same names are told apart by the order in
    // which they came: the later one is the second of the name.
    auto first = std::make_unique<AseqdumpPeer>();
    ASSERT_TRUE(first->waitUntilReady());
    waitForPresence("aseqdump", true);
    auto second = std::make_unique<AseqdumpPeer>();
    ASSERT_TRUE(second->waitUntilReady());
    waitForPresence("aseqdump (2)", true);
    const int chosen = manager->findDeviceByName("aseqdump (2)", false);
    ASSERT_GE(chosen, 0);
    ASSERT_NE(chosen, manager->findDeviceByName("aseqdump", false));
    manager->openDevice(chosen, false, true);
    sendBank();
    ASSERT_TRUE(second->waitForSysex(1));
    EXPECT_TRUE(first->sysexEvents().empty()) << "sent to the chosen one only";

    first.reset();
    second.reset();
    waitForPresence("aseqdump", false);
    waitForPresence("aseqdump (2)", false);

    // They come back in the other order: the process that started first
    // now starts second, and is the chosen one.
    second = std::make_unique<AseqdumpPeer>();
    ASSERT_TRUE(second->waitUntilReady());
    waitForPresence("aseqdump", true);
    first = std::make_unique<AseqdumpPeer>();
    ASSERT_TRUE(first->waitUntilReady());
    waitForPresence("aseqdump (2)", true);
    EXPECT_EQ(chosen, manager->findDeviceByName("aseqdump (2)", false));
    ASSERT_TRUE(manager->getDevice(chosen, false)->isOpen()) << "the chosen one is open again";
    sendBank();
    ASSERT_TRUE(first->waitForSysex(1));
    EXPECT_EQ(std::vector<Bytes>{kBank}, first->sysexEvents());
    EXPECT_TRUE(second->sysexEvents().empty());
}
