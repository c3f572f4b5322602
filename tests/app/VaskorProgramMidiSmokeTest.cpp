// The real program over the real JACK backend, driven from outside as a user
// drives it: the output chooser lists a JACK client's port, choosing it and
// pressing SEND, then Yes, delivers the bank the window shows to that port,
// the chooser follows the port as it leaves and returns, the next run shows
// the port chosen in this one, a port unplugged at the end is remembered and
// opened by itself when it comes back in a later run, and the last file
// opens again at start and is what SEND sends.
#include "TemplateBank.h"

#include "PanelTestSupport.h"
#include "support/FileText.h"
#include "support/FileWriteFailure.h"
#include "support/IniSectionLines.h"
#include "support/JackTestSupport.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>

// After the test framework and the toolkit: Xlib defines macros (None, Bool)
// that clash with them.
#include "app/ProgramWindow.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

using namespace TestSupport;
using namespace std::chrono_literals;

namespace
{
const std::string peerName = "vaskor-e2e-peer";
const std::string portName = "e2e-synth";
// JACK ports are listed under their full names.
const std::string listedName = peerName + ":" + portName;

class VaskorProgramMidi : public JackProgramTest
{
protected:
    const juce::Image showsPort = chooserShowing(listedName);
};
} // namespace

TEST_F(VaskorProgramMidi, SendsTheShownBankToTheChosenJackPortAndFollowsThePort)
{
    JackPeer peer(peerName);
    ASSERT_TRUE(peer.isOpen());
    ASSERT_FALSE(peer.addInput(portName).empty());
    const std::vector<unsigned char> shownBank = defaultBank();

    {
        JackProgramRun run = start();
        ASSERT_TRUE(run.window) << run.problem();
        ProgramWindow& window = *run.window;

        // The first scan lists the port; nothing is chosen yet.
        ASSERT_TRUE(window.waitUntilChooserShows(showsNone, 20s)) << lastShot();
        ASSERT_TRUE(window.chooseLastItem(showsPort)) << lastShot();

        ASSERT_TRUE(window.sendAndAnswerYes(10s)) << "no \"Confirm\" box after SEND";
        EXPECT_FALSE(window.errorBoxCame(1500ms)) << "no port took the bank";
        ASSERT_TRUE(peer.waitForEvents(1, 10000)) << "nothing reached the port";
        auto events = peer.received();
        ASSERT_EQ(events.size(), 1u);
        EXPECT_EQ(events[0].port, portName);
        EXPECT_EQ(events[0].bytes, shownBank);

        // The port leaves while chosen, and comes back: no action is needed.
        ASSERT_TRUE(peer.removePort(portName));
        EXPECT_TRUE(window.waitUntilChooserShows(showsNone, 20s)) << lastShot();
        ASSERT_FALSE(peer.addInput(portName).empty());
        ASSERT_TRUE(window.waitUntilChooserShows(showsPort, 20s)) << lastShot();

        // It is in use again: the next send (after the wait) reaches it.
        ASSERT_TRUE(window.sendAndAnswerYes(20s)) << "no \"Confirm\" box after SEND";
        EXPECT_FALSE(window.errorBoxCame(1500ms)) << "no port took the bank";
        ASSERT_TRUE(peer.waitForEvents(2, 10000)) << "nothing reached the returned port";
        events = peer.received();
        ASSERT_EQ(events.size(), 2u);
        EXPECT_EQ(events[1].bytes, shownBank);

        ASSERT_EQ(run.close(), std::optional<int>(0)) << "the program did not end after the close request";
    }

    // The next run opens the port chosen in this one and shows it again. It
    // ends with the port unplugged.
    {
        JackProgramRun run = start();
        ASSERT_TRUE(run.window) << run.problem();
        ASSERT_TRUE(run.window->waitUntilChooserShows(showsPort, 20s)) << lastShot();
        ASSERT_TRUE(peer.removePort(portName));
        ASSERT_TRUE(run.window->waitUntilChooserShows(showsNone, 20s)) << lastShot();
        ASSERT_EQ(run.close(), std::optional<int>(0)) << "the program did not end after the close request";
    }
    // The unplugged port is remembered as the port in use.
    const std::string preferences = preferencesFile(home.configDir());
    const std::string chosen = home.dir().file("chosen.kqxs");
    writeFileBytes(chosen, preferencesChoosing(listedName));
    for (const char* section : {"MIDI.out", "MIDI.alias"})
    {
        const std::vector<std::string> lines = sectionOf(preferences, section);
        for (const std::string& line : sectionOf(chosen, section))
            EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << line << " in\n"
                                                                                << readFileBytes(preferences);
    }

    // A run without it shows "(none)", and opens it by itself when it is
    // plugged in.
    JackProgramRun run = start();
    ASSERT_TRUE(run.window) << run.problem();
    EXPECT_TRUE(run.window->waitUntilChooserShows(showsNone, 20s)) << lastShot();
    EXPECT_TRUE(run.window->chooserKeepsShowing(showsNone, 3s)) << "past the start-up scan: " << lastShot();
    ASSERT_FALSE(peer.addInput(portName).empty());
    EXPECT_TRUE(run.window->waitUntilChooserShows(showsPort, 20s)) << lastShot();
    EXPECT_EQ(run.close(), std::optional<int>(0)) << "the program did not end after the close request";
}

TEST_F(VaskorProgramMidi, TheLastFileOpensAgainAtStartAndIsTheBankThatSendSends)
{
    TempDir banks;
    const std::string bankFile = banks.file("Evening set.syx");
    writeBytes(bankFile, customBank());
    // The last run had this file open and the port chosen.
    writePreferencesFile(home.configDir(), "[Current]\nFile=" + bankFile + "\n\n" + preferencesChoosing(listedName));
    const std::string preferences = preferencesFile(home.configDir());

    JackPeer peer(peerName);
    ASSERT_TRUE(peer.isOpen());
    ASSERT_FALSE(peer.addInput(portName).empty());

    JackProgramRun run = start(panelTitle + " - Evening set.syx");
    ASSERT_TRUE(run.window) << run.problem() << " (title: " << (run.started.window ? run.started.window->name : "")
                            << ")";
    ASSERT_TRUE(run.window->waitUntilChooserShows(showsPort, 20s)) << lastShot();
    ASSERT_TRUE(run.window->sendAndAnswerYes(10s)) << "no \"Confirm\" box after SEND";
    ASSERT_TRUE(peer.waitForEvents(1, 10000)) << "nothing reached the port";
    const auto events = peer.received();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].bytes, customBank());
    EXPECT_NE(events[0].bytes, defaultBank());
    EXPECT_EQ(run.close(), std::optional<int>(0)) << "the program did not end after the close request";
    const auto current = sectionOf(preferences, "Current");
    EXPECT_NE(std::find(current.begin(), current.end(), "File=" + bankFile), current.end()) << readFileBytes(preferences);
}
