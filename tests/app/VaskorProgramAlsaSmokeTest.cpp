// The real program over the kernel's ALSA sequencer (run inside the virtual
// machine: scripts/alsa-vm), driven from outside as a user drives it: it
// takes ALSA by itself, opens the port "VirMIDI 0-0" its preferences name,
// and SEND, then Yes, delivers the bank the window shows, which amidi reads
// byte for byte from the raw side of that port.
#include "PanelTestSupport.h"
#include "support/AlsaTestSupport.h"
#include "support/JackTestSupport.h" // the program fixture's (no JACK server is used)

#include <gtest/gtest.h>

// After the test framework and the toolkit: Xlib defines macros (None, Bool)
// that clash with them.
#include "app/ProgramWindow.h"

#include <optional>
#include <string>
#include <vector>

using namespace TestSupport;
using namespace std::chrono_literals;

namespace
{
const std::string portName = "Virtual Raw MIDI 0-0: VirMIDI 0";

/** The program tests' display, home and artifacts, over ALSA instead of
    JACK: the sequencer is required, the JACK server is not. */
class VaskorProgramOverAlsa : public JackProgramTest
{
protected:
    void SetUp() override
    {
        VASKOR_REQUIRE_ALSA_SEQUENCER();
        ASSERT_TRUE(x11.isOpen()) << "no X display (scripts/alsa-vm --ctest starts one in the machine)";
        ASSERT_TRUE(haveTool("xdotool") && haveTool("import")) << "xdotool or ImageMagick's import is missing";
    }

    /** A run with no backend named: the program chooses by itself. */
    JackProgramRun start() { return JackProgramRun(x11, log, shot, panelTitle, {"VASKOR_MIDI_BACKEND="}); }
};
} // namespace

TEST_F(VaskorProgramOverAlsa, SendsTheShownBankToVirMidiWhereAmidiReadsItByteForByte)
{
    writePreferencesFile(home.configDir(), preferencesChoosing(portName));
    AmidiReader amidi(0);
    ASSERT_TRUE(amidi.waitUntilReady());

    JackProgramRun run = start();
    ASSERT_TRUE(run.window) << run.problem();
    ASSERT_TRUE(run.window->waitUntilChooserShows(chooserShowing(portName), 20s)) << lastShot();
    ASSERT_TRUE(run.window->sendAndAnswerYes(10s)) << "no \"Confirm\" box after SEND";
    ASSERT_TRUE(amidi.waitForMessages(1)) << "nothing reached the raw device";
    EXPECT_EQ(std::vector<Bytes>{defaultBank()}, amidi.messages());
    EXPECT_EQ(run.close(), std::optional<int>(0)) << "the program did not end after the close request";
}
