// The MIDI manager over JACK under faults, on the GUI thread with a real
// message loop: a port that another client unregisters and registers again
// a thousand times while the manager sends a bank to it every 10 ms, and the
// JACK server going away while a port is open and coming back.
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

#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

using TestSupport::JackPeer;
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

/** Unregisters and registers a port of the peer again, kChurnCycles times
    on a thread of its own: each step after 10-25 ms (a cycle every 20-50 ms),
    a burst of ten cycles without pauses every 50 cycles, and every 100 cycles
    a quiet spell of 3.5-4 s, long enough for the manager to rescan: one in
    three with the port away, the others with the port there (so that the
    port also comes back between two rescans), which goes on until the
    manager has sent to the port again. Leaves the port registered. */
class PortChurn
{
public:
    PortChurn(JackPeer& peer, std::string port) : peer_(peer), port_(std::move(port)), thread_([this] { run(); }) {}
    ~PortChurn()
    {
        stop_.store(true);
        thread_.join();
    }
    PortChurn(const PortChurn&) = delete;
    PortChurn& operator=(const PortChurn&) = delete;

    bool done() const { return done_.load(); }
    int cycles() const { return cycles_.load(); }
    int failures() const { return failures_.load(); }
    /** The number (from 1) of the quiet spell with the port there that
        runs now, else 0. */
    int presentSpell() const { return presentSpell_.load(); }
    /** How many quiet spells with the port there have begun. */
    int presentSpells() const { return presentSpells_.load(); }
    /** The manager sent to the port in the present spell of that number. */
    void served(int spell) { servedSpell_.store(spell); }

private:
    void run()
    {
        std::mt19937 random(16);
        std::uniform_int_distribution<int> step(10, 25), burstStep(0, 2), quiet(3500, 4000);
        for (int cycle = 0; cycle < kChurnCycles && !stop_.load(); ++cycle)
        {
            const bool burst = cycle % 50 >= 40;
            const bool pause = cycle % 100 == 99;
            const bool awayInPause = cycle % 300 == 99;
            if (!peer_.removePort(port_))
                ++failures_;
            sleep(pause && awayInPause ? quiet(random) : burst ? burstStep(random) : step(random));
            if (peer_.addInput(port_).empty())
                ++failures_;
            if (pause && !awayInPause)
                waitInPresentSpell(quiet(random));
            else
                sleep(burst ? burstStep(random) : step(random));
            cycles_.store(cycle + 1);
        }
        done_.store(true);
    }

    static void sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

    /** A quiet spell with the port there: at least ms, and on until the
        manager has sent to the port again (at most kLimitMs more: a rescan
        comes 2 s after the last device change of any client of the server). */
    void waitInPresentSpell(int ms)
    {
        const int spell = ++presentSpells_;
        presentSpell_.store(spell);
        sleep(ms);
        const auto limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(kLimitMs);
        while (servedSpell_.load() < spell && std::chrono::steady_clock::now() < limit && !stop_.load())
            sleep(10);
        presentSpell_.store(0);
    }

    JackPeer& peer_;
    const std::string port_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> done_{false};
    std::atomic<int> cycles_{0};
    std::atomic<int> failures_{0};
    std::atomic<int> presentSpell_{0};
    std::atomic<int> presentSpells_{0};
    std::atomic<int> servedSpell_{0};
    std::thread thread_;
};

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
        peer = std::make_unique<JackPeer>("vaskor-faults-peer");
    }

    ~ManagerOverJack()
    {
        Tr::AutoDelete::deleteAll(); // closes the ports while the backend is still there
        peer.reset();
        backend.reset();
    }

    /** Starts the manager, waits for the peer's port and opens it. */
    bool openPeerPort(const std::string& port)
    {
        manager = TestSupport::startManagerAsTheProgramDoes();
        if (!TestSupport::runLoopUntil([&] { return isOutputListed(manager, port); }, kLimitMs))
            return false;
        manager->openDevice(manager->findDeviceByName(port.c_str(), false), false, true);
        return outputNamed(manager, port)->isOpen();
    }

    /** Runs the message loop until the port's record is present and open, or absent and wanted open. */
    bool waitUntilFollowed(const std::string& port, bool present)
    {
        return TestSupport::runLoopUntil(
            [&] {
                Tr::MidiManagerDev* device = outputNamed(manager, port);
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
        PortChurn churn(*jack.peer, port);
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
    EXPECT_TRUE(isOutputListed(jack.manager, port));
    const size_t before = jack.peer->receivedCount();
    ++counts.tried;
    EXPECT_TRUE(jack.manager->send(bank.data(), static_cast<int>(bank.size())));
    ++counts.taken;
    EXPECT_TRUE(jack.peer->waitForEvents(before + 1));

    ASSERT_TRUE(jack.peer->removePort(port));
    EXPECT_TRUE(jack.waitUntilFollowed(port, false)) << "the removed port is absent and wanted open";
    TestSupport::runLoopFor(kSettleMs);
    EXPECT_FALSE(isOutputListed(jack.manager, port));

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
    jack.peer = std::make_unique<JackPeer>("vaskor-faults-peer");
    ASSERT_FALSE(jack.peer->addInput(port).empty());
    EXPECT_TRUE(jack.waitUntilFollowed(port, true)) << "reopened by itself";
    EXPECT_TRUE(jack.manager->send(bank.data(), static_cast<int>(bank.size())));
    ASSERT_TRUE(jack.peer->waitForEvents(1));
    EXPECT_EQ(jack.peer->received().back().bytes, bank);
}
