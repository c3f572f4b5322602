// The MIDI manager over JACK under faults, on the GUI thread with a real
// message loop: a port that another client unregisters and registers again
// a thousand times while the manager sends a bank to it every 10 ms, and the
// JACK server going away while a port is open and coming back.
#include "AutoDelete.h"
#include "MidiManager.h"
#include "MidiManagerDev.h"
#include "Millis.h"

#include "midi/JackMidiBackend.h"
#include "support/JackPortChurn.h"
#include "support/JackTestSupport.h"
#include "support/MessageLoop.h"
#include "support/MidiManagerJack.h"
#include "support/MidiTestSupport.h"

#include <gtest/gtest.h>
#include <juce_events/juce_events.h>

#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <vector>

using TestSupport::JackPeer;
using TestSupport::PortChurn;
using TestSupport::isOutputListed;
using TestSupport::outputNamed;

namespace
{
// Past the notifier's 2000 ms wait after the last device change, with room
// for a loaded machine (and a sanitizer build).
constexpr DWORD kSettleMs = 2500;
constexpr DWORD kLimitMs = 20000;
constexpr int kChurnCycles = 1000;
constexpr DWORD kSendIntervalMs = 10;
constexpr char kPeerName[] = "vaskor-faults-peer";

/** How the bank fared: sends tried and taken, and what the peer received. */
struct SendCounts
{
    int tried = 0;
    int taken = 0;
    int received = 0;
    int whole = 0;
};

/** Counts the peer's events that are the bank, whole, among all it received. */
void countReceived(JackPeer& peer, const std::vector<unsigned char>& bank, SendCounts& counts)
{
    const std::vector<JackPeer::Event> events = peer.received();
    counts.received = static_cast<int>(events.size());
    counts.whole = 0;
    for (const JackPeer::Event& event : events)
        if (event.bytes == bank)
            ++counts.whole;
}

// The manager over the JACK backend of the server that JACK_DEFAULT_SERVER
// names, with a peer client; everything is torn down in the right order.
class ManagerOverJack
{
public:
    ManagerOverJack()
    {
        backend = std::make_unique<TestSupport::ScopedMidiBackend<PlatformMidi::JackMidiBackend>>();
        peer = std::make_unique<JackPeer>(kPeerName);
    }

    ~ManagerOverJack()
    {
        Tr::AutoDelete::deleteAll(); // closes the ports while the backend is still there
        peer.reset();
        backend.reset();
    }

    /** The name the manager lists a port of the peer under (also while the
        peer is gone): the port's full name. */
    static std::string listedName(const std::string& port) { return std::string(kPeerName) + ":" + port; }
    /** Whether the manager lists the peer's port as present. */
    bool isListed(const std::string& port) { return isOutputListed(manager, listedName(port)); }

    /** Starts the manager, waits for the peer's port and opens it. */
    bool openPeerPort(const std::string& port)
    {
        manager = TestSupport::startManagerAsTheProgramDoes();
        if (!TestSupport::runLoopUntil([&] { return isListed(port); }, kLimitMs))
            return false;
        const std::string name = listedName(port);
        manager->openDevice(manager->findDeviceByName(name.c_str(), false), false, true);
        return outputNamed(manager, name)->isOpen();
    }

    /** Runs the message loop until the port's record is present and open, or absent and wanted open. */
    bool waitUntilFollowed(const std::string& port, bool present)
    {
        return TestSupport::runLoopUntil(
            [&] {
                Tr::MidiManagerDev* device = outputNamed(manager, listedName(port));
                return device != nullptr && device->isPresent() == present && device->isOpen() == present &&
                       device->isWantedOpen() != present;
            },
            kLimitMs);
    }

    juce::ScopedJuceInitialiser_GUI juce;
    std::unique_ptr<TestSupport::ScopedMidiBackend<PlatformMidi::JackMidiBackend>> backend;
    std::unique_ptr<JackPeer> peer;
    Tr::MidiManager* manager = nullptr;
};
} // namespace

TEST(MidiManagerPortChurn, EveryBankArrivesWholeAndTheListFollowsAPortThatComesAndGoes)
{
    VASKOR_REQUIRE_JACK_SERVER();
    const std::string port = "churn-synth";
    const std::vector<unsigned char> bank = TestSupport::sysex(690);
    ManagerOverJack jack;
    ASSERT_TRUE(jack.peer->isOpen());
    ASSERT_FALSE(jack.peer->addInput(port).empty());
    ASSERT_TRUE(jack.openPeerPort(port));

    SendCounts counts;
    std::set<int> spellsServed; // quiet spells with the port there in which a send was taken
    {
        TestSupport::PortChurnPattern pattern;
        pattern.cycles = kChurnCycles;
        pattern.holdLimitMs = static_cast<int>(kLimitMs);
        PortChurn churn(*jack.peer, port, pattern);
        DWORD lastSend = Tr::getMillis();
        DWORD lastDrain = lastSend;
        while (!churn.done())
        {
            juce::MessageManager::getInstance()->runDispatchLoopUntil(1);
            const DWORD now = Tr::getMillis();
            if (now - lastSend >= kSendIntervalMs)
            {
                lastSend = now;
                ++counts.tried;
                if (jack.manager->send(bank.data(), static_cast<int>(bank.size())))
                {
                    ++counts.taken;
                    if (const int spell = churn.presentSpell())
                    {
                        spellsServed.insert(spell);
                        churn.served(spell);
                    }
                }
            }
            if (now - lastDrain >= 200)
            {
                lastDrain = now;
                jack.peer->receivedCount(); // keeps the peer's queue from filling up
            }
        }
        EXPECT_EQ(churn.cycles(), kChurnCycles);
        EXPECT_EQ(churn.failures(), 0);
        EXPECT_EQ(static_cast<int>(spellsServed.size()), churn.presentSpells())
            << "in every quiet spell with the port there the manager opened it again";
    }

    // The churn leaves the port registered: listed, and opened again by the rescan.
    EXPECT_TRUE(jack.waitUntilFollowed(port, true)) << "the returned port is listed and open";
    TestSupport::runLoopFor(kSettleMs);
    EXPECT_TRUE(jack.isListed(port));
    const size_t before = jack.peer->receivedCount();
    ++counts.tried;
    EXPECT_TRUE(jack.manager->send(bank.data(), static_cast<int>(bank.size())));
    ++counts.taken;
    EXPECT_TRUE(jack.peer->waitForEvents(before + 1));

    ASSERT_TRUE(jack.peer->removePort(port));
    EXPECT_TRUE(jack.waitUntilFollowed(port, false)) << "the removed port is absent and wanted open";
    TestSupport::runLoopFor(kSettleMs);
    EXPECT_FALSE(jack.isListed(port));

    countReceived(*jack.peer, bank, counts);
    std::printf("churn: %d cycles, %d sends tried, %d taken, %d received, %d whole, %d cut or merged\n",
                kChurnCycles, counts.tried, counts.taken, counts.received, counts.whole,
                counts.received - counts.whole);
    RecordProperty("sendsTried", counts.tried);
    RecordProperty("sendsTaken", counts.taken);
    RecordProperty("received", counts.received);
    RecordProperty("whole", counts.whole);
    EXPECT_EQ(counts.whole, counts.received) << "every bank that arrived is whole";
    EXPECT_LE(counts.received, counts.taken);
    EXPECT_GT(counts.received, 0);
}

TEST(MidiManagerServerLoss, TheManagerKeepsRunningAndReopensThePortWhenTheServerIsBack)
{
    VASKOR_REQUIRE_JACK_SERVER(); // jackd is installed where a server runs
    TestSupport::PrivateJackServer server("vaskor-manager-loss");
    ASSERT_TRUE(TestSupport::jackServerAnswers());
    const std::string port = "loss-synth";
    const std::vector<unsigned char> bank = TestSupport::sysex(690);
    ManagerOverJack jack;
    ASSERT_FALSE(jack.peer->addInput(port).empty());
    ASSERT_TRUE(jack.openPeerPort(port));
    const int records = jack.manager->getDeviceCount(false);

    jack.peer.reset();
    server.stop();
    EXPECT_TRUE(jack.waitUntilFollowed(port, false)) << "absent, closed and wanted open";
    EXPECT_FALSE(jack.manager->send(bank.data(), static_cast<int>(bank.size())));
    EXPECT_EQ(jack.manager->getDeviceCount(false), records) << "the records stay";

    ASSERT_TRUE(server.start());
    jack.peer = std::make_unique<JackPeer>(kPeerName);
    ASSERT_FALSE(jack.peer->addInput(port).empty());
    EXPECT_TRUE(jack.waitUntilFollowed(port, true)) << "reopened by itself";
    EXPECT_TRUE(jack.manager->send(bank.data(), static_cast<int>(bank.size())));
    ASSERT_TRUE(jack.peer->waitForEvents(1));
    EXPECT_EQ(jack.peer->received().back().bytes, bank);
}
