// The MIDI manager over the real JACK backend: ports that another client
// registers and unregisters reach the manager's lists through the
// device-change broadcast, the notifier's timer and its rescan.
#include "AutoDelete.h"
#include "MidiManager.h"
#include "MidiManagerDev.h"
#include "Millis.h"

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

    Tr::MidiManagerDev* outputNamed(const std::string& name) { return TestSupport::outputNamed(manager, name); }
    bool isListed(const std::string& name) { return TestSupport::isOutputListed(manager, name); }

    // Runs the message loop until the port's presence is as wanted; the time it took.
    DWORD waitForPresence(const std::string& name, bool present)
    {
        const DWORD start = Tr::getMillis();
        EXPECT_TRUE(TestSupport::runLoopUntil([&] { return isListed(name) == present; }, kLimitMs))
            << name << (present ? " never appeared" : " never vanished");
        return Tr::getMillis() - start;
    }

    juce::ScopedJuceInitialiser_GUI juce;
    std::unique_ptr<TestSupport::ScopedMidiBackend<PlatformMidi::JackMidiBackend>> backend;
    std::unique_ptr<TestSupport::JackPeer> peer;
    Tr::MidiManager* manager = nullptr;
};
} // namespace

TEST_F(MidiManagerOverJack, APortAppearsInTheListAndVanishesFromItByItself)
{
    ASSERT_FALSE(isListed("manager-synth"));
    ASSERT_FALSE(peer->addInput("manager-synth").empty());
    const DWORD appeared = waitForPresence("manager-synth", true);
    RecordProperty("appearedAfterMs", static_cast<int>(appeared));
    EXPECT_LE(appeared, kLimitMs);
    const int index = manager->findDeviceByName("manager-synth", false);

    ASSERT_TRUE(peer->removePort("manager-synth"));
    const DWORD vanished = waitForPresence("manager-synth", false);
    RecordProperty("vanishedAfterMs", static_cast<int>(vanished));
    ASSERT_NE(outputNamed("manager-synth"), nullptr) << "an absent port keeps its record";
    EXPECT_EQ(manager->findDeviceByName("manager-synth", false), index) << "and its index";
    if (appeared > kExpectedMs || vanished > kExpectedMs)
        std::printf("slower than %u ms: appeared after %u ms, vanished after %u ms\n", kExpectedMs, appeared, vanished);
}

TEST_F(MidiManagerOverJack, AnOpenPortThatVanishesIsReopenedWhenItComesBack)
{
    ASSERT_FALSE(peer->addInput("manager-return").empty());
    waitForPresence("manager-return", true);
    const int index = manager->findDeviceByName("manager-return", false);
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
