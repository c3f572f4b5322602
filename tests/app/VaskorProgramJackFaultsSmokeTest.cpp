// The real program over JACK under faults, driven from outside as a user
// drives it (see ProgramWindow.h): the chosen port unregistered and
// registered again by its client many times, in bursts, while SEND is
// pressed now and then, and the JACK server stopped while the port is open
// and started again. The program keeps running, the chooser follows, and
// every bank that arrives is whole. And a server that stops answering while
// the port is open does not hold the program when its window is closed.
#include "PanelTestSupport.h"
#include "support/JackPortChurn.h"
#include "support/JackTestSupport.h"

#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>

// After the test framework and the toolkit: Xlib defines macros (None, Bool)
// that clash with them.
#include "app/ProgramWindow.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <signal.h>
#include <string>
#include <thread>
#include <vector>

using namespace TestSupport;
using namespace std::chrono_literals;

namespace
{
const std::string peerName = "vaskor-fault-peer";
const std::string portName = "fault-synth";
// JACK ports are listed under their full names.
const std::string listedName = peerName + ":" + portName;

/** The program starts with the peer's port as the port in use, which the
    last run's preferences name. */
class VaskorProgramJackFaults : public JackProgramTest
{
protected:
    void SetUp() override
    {
        JackProgramTest::SetUp();
        writePreferencesFile(home.configDir(), preferencesChoosing(listedName));
    }

    const juce::Image showsPort = chooserShowing(listedName);
};
} // namespace

TEST_F(VaskorProgramJackFaults, TheChooserFollowsAChurningPortAndEveryBankSentMeanwhileArrivesWhole)
{
    JackPeer peer(peerName);
    ASSERT_TRUE(peer.isOpen());
    ASSERT_FALSE(peer.addInput(portName).empty());
    JackProgramRun run = start();
    ASSERT_TRUE(run.window) << run.problem();
    ProgramWindow& window = *run.window;
    ASSERT_TRUE(window.waitUntilChooserShows(showsPort, 20s)) << lastShot();

    // 150 cycles of 20-50 ms, the last 5 of every 25 in a burst; after every
    // 25 a quiet spell, with the port away and there in turn, which lasts
    // until the chooser was seen to follow.
    PortChurnPattern pattern;
    pattern.cycles = 150;
    pattern.burstPeriod = 25;
    pattern.burstLength = 5;
    pattern.spellPeriod = 25;
    pattern.awayPeriod = 50;
    pattern.holdAwaySpells = true;
    pattern.holdLimitMs = 30000;
    int confirmed = 0;
    int refused = 0;
    int spellsFollowed = 0;
    {
        PortChurn churn(peer, portName, pattern);
        int lastSpell = 0;
        auto lastSend = Clock::now() - 1h;
        while (!churn.done())
        {
            if (const int spell = churn.spell(); spell > lastSpell)
            {
                lastSpell = spell;
                const bool there = churn.spellHasPort();
                if (window.waitUntilChooserShows(there ? showsPort : showsNone, 25s))
                    ++spellsFollowed;
                else
                    ADD_FAILURE() << "quiet spell " << spell << (there ? " with" : " without")
                                  << " the port: the chooser did not follow; " << lastShot();
                churn.served(spell);
                continue;
            }
            // SEND waits 6 s after a send that went out.
            if (Clock::now() - lastSend > 7s && window.sendAndAnswerYes(2s))
            {
                ++confirmed;
                lastSend = Clock::now();
                // A port that is away at that moment makes the send fail.
                if (window.errorBoxCame(1500ms))
                    ++refused;
            }
            std::this_thread::sleep_for(50ms);
        }
        EXPECT_EQ(churn.cycles(), pattern.cycles);
        EXPECT_EQ(churn.failures(), 0);
        EXPECT_EQ(spellsFollowed, churn.presentSpells() + churn.awaySpells());
        EXPECT_EQ(spellsFollowed, 6);
    }
    ASSERT_TRUE(run.isRunning()) << "the program ended during the churn";

    // The churn leaves the port there: shown, and a send reaches it.
    ASSERT_TRUE(window.waitUntilChooserShows(showsPort, 20s)) << lastShot();
    const size_t before = peer.receivedCount();
    ASSERT_TRUE(window.sendAndAnswerYes(15s)) << "no \"Confirm\" box after SEND";
    EXPECT_FALSE(window.errorBoxCame(1500ms)) << "the send to the port that is there failed";
    EXPECT_TRUE(peer.waitForEvents(before + 1, 10000)) << "nothing reached the port after the churn";
    // And when it is gone, "(none)" is shown.
    ASSERT_TRUE(peer.removePort(portName));
    EXPECT_TRUE(window.waitUntilChooserShows(showsNone, 20s)) << lastShot();

    const std::vector<unsigned char> shownBank = defaultBank();
    const auto events = peer.received();
    int whole = 0;
    for (const auto& event : events)
        whole += event.bytes == shownBank ? 1 : 0;
    std::printf("churn: %d cycles, %d sends confirmed during it, %d refused, %zu banks received, %d whole\n",
                pattern.cycles, confirmed, refused, events.size(), whole);
    EXPECT_EQ(whole, static_cast<int>(events.size())) << "every bank that arrived is whole (690 bytes, F0 ... F7)";
    EXPECT_LE(events.size(), static_cast<size_t>(confirmed - refused + 1));
    EXPECT_GT(confirmed, 0) << "SEND was pressed during the churn";
    EXPECT_EQ(run.close(), std::optional<int>(0)) << "the program did not end after the close request";
}

TEST_F(VaskorProgramJackFaults, WithoutItsServerTheProgramShowsNoneAndReopensThePortOnceTheServerIsBack)
{
    // A server of the test's own (jackd is installed where a server runs),
    // named to the program through JACK_DEFAULT_SERVER.
    PrivateJackServer server("vaskor-program-loss");
    ASSERT_TRUE(jackServerAnswers());
    auto peer = std::make_unique<JackPeer>(peerName);
    ASSERT_TRUE(peer->isOpen());
    ASSERT_FALSE(peer->addInput(portName).empty());
    JackProgramRun run = start();
    ASSERT_TRUE(run.window) << run.problem();
    ProgramWindow& window = *run.window;
    ASSERT_TRUE(window.waitUntilChooserShows(showsPort, 20s)) << lastShot();

    peer.reset();
    server.stop();
    EXPECT_TRUE(window.waitUntilChooserShows(showsNone, 20s)) << lastShot();
    ASSERT_TRUE(run.isRunning()) << "the program ended with its server";

    ASSERT_TRUE(server.start());
    peer = std::make_unique<JackPeer>(peerName);
    ASSERT_FALSE(peer->addInput(portName).empty());
    ASSERT_TRUE(window.waitUntilChooserShows(showsPort, 30s)) << "not reopened by itself; " << lastShot();
    ASSERT_TRUE(window.sendAndAnswerYes(10s)) << "no \"Confirm\" box after SEND";
    ASSERT_TRUE(peer->waitForEvents(1, 10000)) << "nothing reached the port on the restarted server";
    EXPECT_EQ(peer->received()[0].bytes, defaultBank());
    EXPECT_EQ(run.close(), std::optional<int>(0)) << "the program did not end after the close request";
}

TEST_F(VaskorProgramJackFaults, AServerThatNoLongerAnswersDoesNotHoldTheProgramWhenItsWindowIsClosed)
{
    PrivateJackServer server("vaskor-program-stopped");
    ASSERT_TRUE(jackServerAnswers());
    JackPeer peer(peerName);
    ASSERT_TRUE(peer.isOpen());
    ASSERT_FALSE(peer.addInput(portName).empty());
    JackProgramRun run = start();
    ASSERT_TRUE(run.window) << run.problem();
    ASSERT_TRUE(run.window->waitUntilChooserShows(showsPort, 20s)) << lastShot();

    // The server stops answering. It goes on, and drops the client of the
    // ended program, before the peer (and the program if still there) close.
    ASSERT_EQ(::kill(server.pid(), SIGSTOP), 0);
    struct GoesOn
    {
        PrivateJackServer& server;
        ~GoesOn() { EXPECT_TRUE(server.resumeAndForget({"vaskor-midi"})); }
    } goesOn{server};
    const auto asked = Clock::now();
    EXPECT_EQ(run.close(8s), std::optional<int>(0))
        << "the program did not end within 8 s of the close request while its JACK server did not answer";
    std::printf("the program ended %lld ms after the close request\n",
                static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - asked).count()));
}
