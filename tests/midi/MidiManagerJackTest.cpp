// The MIDI manager over the real JACK backend: ports that another client
// registers and unregisters reach the manager's lists, under their full
// names, through the device-change broadcast, the notifier's timer and its
// rescan.
#include "AutoDelete.h"
#include "MidiManager.h"
#include "MidiManagerDev.h"
#include "Millis.h"
#include "TIniFile.h"

#include "midi/JackMidiBackend.h"
#include "support/JackTestSupport.h"
#include "support/MessageLoop.h"
#include "support/MidiManagerJack.h"
#include "support/MidiTestSupport.h"

#include <gtest/gtest.h>
#include <juce_events/juce_events.h>

#include <memory>
#include <string>

namespace
{
// The notifier rescans 2000 ms after the last device change of a burst; the
// JACK backend needs a moment to hear of the change and broadcast it.
constexpr DWORD kExpectedMs = 2500;
// The bound the tests hold to, generous for a loaded machine.
constexpr DWORD kLimitMs = 6000;

class MidiManagerOverJack : public ::testing::Test
{
protected:
    void SetUp() override
    {
        VASKOR_REQUIRE_JACK_SERVER();
        backend = std::make_unique<TestSupport::ScopedMidiBackend<PlatformMidi::JackMidiBackend>>();
        ASSERT_TRUE(TestSupport::waitFor([&] { return (*backend)->isConnected(); }));
        peer = std::make_unique<TestSupport::JackPeer>("vaskor-manager-peer");
        ASSERT_TRUE(peer->isOpen());
        manager = TestSupport::startManagerAsTheProgramDoes();
    }

    void TearDown() override
    {
        Tr::AutoDelete::deleteAll(); // closes the ports while the backend is still there
        peer.reset();
        backend.reset();
    }

    // The records of the peer's ports, by the ports' short names.
    int indexOf(const std::string& port) { return manager->findDeviceByName(peer->listedName(port).c_str(), false); }
    Tr::MidiManagerDev* outputNamed(const std::string& port)
    {
        return TestSupport::outputNamed(manager, peer->listedName(port));
    }
    bool isListed(const std::string& name) { return TestSupport::isOutputListed(manager, name); }

    // Runs the message loop until the port (by its listed name) is present
    // or absent as wanted; the time it took.
    DWORD waitForListed(const std::string& name, bool present)
    {
        const DWORD start = Tr::getMillis();
        EXPECT_TRUE(TestSupport::runLoopUntil([&] { return isListed(name) == present; }, kLimitMs))
            << name << (present ? " never appeared" : " never vanished");
        return Tr::getMillis() - start;
    }
    DWORD waitForPresence(const std::string& port, bool present)
    {
        return waitForListed(peer->listedName(port), present);
    }

    juce::ScopedJuceInitialiser_GUI juce;
    std::unique_ptr<TestSupport::ScopedMidiBackend<PlatformMidi::JackMidiBackend>> backend;
    std::unique_ptr<TestSupport::JackPeer> peer;
    Tr::MidiManager* manager = nullptr;
};
} // namespace

TEST_F(MidiManagerOverJack, APortAppearsInTheListAndVanishesFromItByItself)
{
    ASSERT_FALSE(isListed(peer->listedName("manager-synth")));
    ASSERT_FALSE(peer->addInput("manager-synth").empty());
    const DWORD appeared = waitForPresence("manager-synth", true);
    RecordProperty("appearedAfterMs", static_cast<int>(appeared));
    EXPECT_LE(appeared, kLimitMs);
    const int index = indexOf("manager-synth");

    ASSERT_TRUE(peer->removePort("manager-synth"));
    const DWORD vanished = waitForPresence("manager-synth", false);
    RecordProperty("vanishedAfterMs", static_cast<int>(vanished));
    ASSERT_NE(outputNamed("manager-synth"), nullptr) << "an absent port keeps its record";
    EXPECT_EQ(indexOf("manager-synth"), index) << "and its index";
    if (appeared > kExpectedMs || vanished > kExpectedMs)
        std::printf("slower than %u ms: appeared after %u ms, vanished after %u ms\n", kExpectedMs, appeared, vanished);
}

TEST_F(MidiManagerOverJack, AnOpenPortThatVanishesIsReopenedWhenItComesBack)
{
    ASSERT_FALSE(peer->addInput("manager-return").empty());
    waitForPresence("manager-return", true);
    const int index = indexOf("manager-return");
    ASSERT_GE(index, 0);
    manager->openDevice(index, false, true);
    ASSERT_TRUE(manager->getDevice(index, false)->isOpen());

    ASSERT_TRUE(peer->removePort("manager-return"));
    waitForPresence("manager-return", false);
    Tr::MidiManagerDev* device = manager->getDevice(index, false);
    EXPECT_FALSE(device->isOpen());
    EXPECT_TRUE(device->isWantedOpen());

    ASSERT_FALSE(peer->addInput("manager-return").empty());
    waitForPresence("manager-return", true);
    EXPECT_TRUE(device->isOpen()) << "reopened by the rescan that found it again";
    const std::vector<unsigned char> bank = TestSupport::sysex(690);
    ASSERT_TRUE(manager->send(bank.data(), static_cast<int>(bank.size())));
    ASSERT_TRUE(peer->waitForEvents(1));
    EXPECT_EQ(peer->received().back().bytes, bank);
}

TEST_F(MidiManagerOverJack, PortsOfOneNameInTwoClientsAreListedByClientAndTheChosenOneIsTheOneReopened)
{
    // Two receiving clients whose ports have one short name, as two
    // jack_midi_dump monitors have; the second one is chosen.
    const std::string first = "vaskor-monitor-a:input";
    const std::string second = "vaskor-monitor-b:input";
    TestSupport::JackPeer firstPeer("vaskor-monitor-a");
    TestSupport::JackPeer secondPeer("vaskor-monitor-b");
    ASSERT_FALSE(firstPeer.addInput("input").empty());
    waitForListed(first, true);
    ASSERT_FALSE(secondPeer.addInput("input").empty());
    waitForListed(second, true);
    const int chosen = manager->findDeviceByName(second.c_str(), false);
    ASSERT_GE(chosen, 0) << "listed under its client's name";
    manager->openDevice(chosen, false, true);
    ASSERT_TRUE(manager->getDevice(chosen, false)->isOpen());
    Tr::TIniFile saved;
    manager->saveState(saved);
    EXPECT_STREQ(saved.readString("MIDI.out", "Name0", "").c_str(), second.c_str()) << "what the next start looks for";

    // Both go, and register again in the other order.
    ASSERT_TRUE(firstPeer.removePort("input"));
    ASSERT_TRUE(secondPeer.removePort("input"));
    waitForListed(first, false);
    waitForListed(second, false);
    ASSERT_FALSE(secondPeer.addInput("input").empty());
    waitForListed(second, true);
    ASSERT_FALSE(firstPeer.addInput("input").empty());
    waitForListed(first, true);

    EXPECT_TRUE(manager->getDevice(chosen, false)->isOpen()) << "the chosen port is opened again";
    EXPECT_FALSE(TestSupport::outputNamed(manager, first)->isOpen());
    const std::vector<unsigned char> bank = TestSupport::sysex(690);
    ASSERT_TRUE(manager->send(bank.data(), static_cast<int>(bank.size())));
    ASSERT_TRUE(secondPeer.waitForEvents(1));
    EXPECT_EQ(secondPeer.received().back().bytes, bank);
    EXPECT_EQ(firstPeer.receivedCount(), 0u) << "nothing went to the client that was not chosen";
}
