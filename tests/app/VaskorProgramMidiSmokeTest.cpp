// The real program over the real JACK backend, driven from outside as a user
// drives it: the output chooser lists a JACK client's port, choosing it and
// pressing SEND, then Yes, delivers the bank the window shows to that port,
// the chooser follows the port as it leaves and returns, and the next run
// shows the port chosen in this one. What the chooser
// shows is read from screenshots of the window, compared pixel for pixel with
// the chooser drawn here with the panel's own look.
#include "TemplateBank.h"
#include "VaskorContentPanel.h"

#include "support/JackTestSupport.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>

// After the test framework and the toolkit: Xlib defines macros (None, Bool)
// that clash with them.
#include "app/ProgramTestSupport.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

using namespace TestSupport;
using namespace std::chrono_literals;

namespace
{
const std::string portName = "vaskor-e2e-synth";
/** The chooser in the window (the first row of the layout) and its text
    area: inside the focus frame, left of the arrow button. */
const juce::Rectangle<int> chooserBounds(131, 18, 215, 19);
const juce::Rectangle<int> chooserText(3, 3, 187, 13);
const juce::Point<int> sendButtonCentre(238, 62);

/** Runs a command of the X tools; one that hangs (a window manager that
    never answers) is given up after 10 s. */
bool run(const std::string& command)
{
    return std::system(("timeout 10 " + command + " >/dev/null 2>&1").c_str()) == 0;
}

/** The chooser showing text, drawn with the panel's look and colours. */
juce::Image chooserShowing(const juce::String& text)
{
    juce::LookAndFeel_V2 look;
    juce::ComboBox box;
    box.setLookAndFeel(&look);
    box.setJustificationType(juce::Justification::left); // as the chooser is
    box.addItem(text, 1);
    box.setSelectedId(1, juce::dontSendNotification);
    box.setBounds(chooserBounds.withZeroOrigin());
    VaskorContentPanel::styleCombo(&box);
    juce::Image image = box.createComponentSnapshot(box.getLocalBounds());
    box.setLookAndFeel(nullptr);
    return image;
}

/** The running program's window as the user sees and drives it. */
class ProgramWindow
{
public:
    ProgramWindow(X11Probe& probe, ProgramProcess& process, Window window, std::string screenshotPath)
        : x11(probe), program(process), id(std::to_string(window)), shotPath(std::move(screenshotPath))
    {
    }

    /** True once the chooser shows what expected shows, within limit. */
    bool waitUntilChooserShows(const juce::Image& expected, std::chrono::milliseconds limit)
    {
        const auto end = Clock::now() + limit;
        do
        {
            if (chooserLooksLike(expected))
                return true;
            std::this_thread::sleep_for(200ms);
        } while (Clock::now() < end);
        return chooserLooksLike(expected);
    }

    /** Opens the chooser's list with a click and picks its last item, until
        the chooser shows what expected shows; false when it never does. A
        list opened too soon after the window took the focus closes at once,
        and a click too soon after it opened is not taken: both are tried
        again. */
    bool chooseLastItem(const juce::Image& expected)
    {
        run("xdotool windowactivate --sync " + id);
        for (int attempt = 0; attempt < 4; ++attempt)
        {
            if (waitForMenu(0ms))
                run("xdotool key Escape"); // a list left open by the previous attempt
            click(chooserBounds.getCentre());
            if (!waitForMenu(2s))
                continue;
            std::this_thread::sleep_for(500ms); // placed and ready for a click
            if (const auto menu = waitForMenu(1s))
                run("xdotool mousemove --sync " + std::to_string(menu->x + menu->width / 2) + " "
                    + std::to_string(menu->y + menu->height - 6) + " sleep 0.3 click 1");
            if (waitUntilChooserShows(expected, 3s))
                return true;
        }
        return false;
    }

    /** Presses SEND until the "Confirm" box comes (SEND is disabled while it
        waits after a send), then answers Yes with the Yes button's key;
        false when no box came within limit. */
    bool sendAndAnswerYes(std::chrono::milliseconds limit)
    {
        const auto end = Clock::now() + limit;
        while (Clock::now() < end)
        {
            click(sendButtonCentre);
            for (int i = 0; i < 10; ++i)
            {
                std::this_thread::sleep_for(150ms);
                for (const auto& window : x11.clientWindows())
                    if (window.viewable && window.name == "Confirm" && window.pid == program.id())
                        return run("xdotool windowactivate --sync " + std::to_string(window.id) + " key y");
            }
        }
        return false;
    }

private:
    void click(juce::Point<int> at)
    {
        run("xdotool mousemove --window " + id + " " + std::to_string(at.x) + " " + std::to_string(at.y)
            + " sleep 0.2 click 1");
    }

    /** The chooser's open list, once it is there within limit. */
    std::optional<X11Probe::ClientWindow> waitForMenu(std::chrono::milliseconds limit)
    {
        const auto end = Clock::now() + limit;
        do
        {
            for (const auto& window : x11.topLevelWindows())
                if (window.viewable && window.overrideRedirect && window.name == "menu")
                    return window;
            std::this_thread::sleep_for(100ms);
        } while (Clock::now() < end);
        return std::nullopt;
    }

    bool chooserLooksLike(const juce::Image& expected)
    {
        if (!run("import -window " + id + " '" + shotPath + "'"))
            return false;
        const juce::Image shot = juce::ImageFileFormat::loadFrom(juce::File(shotPath));
        if (!shot.isValid())
            return false;
        for (int y = chooserText.getY(); y < chooserText.getBottom(); ++y)
            for (int x = chooserText.getX(); x < chooserText.getRight(); ++x)
                if (shot.getPixelAt(chooserBounds.getX() + x, chooserBounds.getY() + y).getARGB()
                    != expected.getPixelAt(x, y).getARGB())
                    return false;
        return true;
    }

    X11Probe& x11;
    ProgramProcess& program;
    std::string id;
    std::string shotPath;
};

/** Fails under scripts/test (which provides everything), else skips. */
#define VASKOR_REQUIRE(condition, what)                                                                             \
    do                                                                                                               \
    {                                                                                                                \
        if (!(condition))                                                                                            \
        {                                                                                                            \
            if (jackServerRequired())                                                                                \
                FAIL() << what << " is missing";                                                                     \
            GTEST_SKIP() << what << " is missing (run the tests through scripts/test)";                              \
        }                                                                                                            \
    } while (0)
} // namespace

TEST(VaskorProgramMidi, SendsTheShownBankToTheChosenJackPortAndFollowsThePort)
{
    VASKOR_REQUIRE_JACK_SERVER();
    X11Probe x11;
    VASKOR_REQUIRE(x11.isOpen(), "an X display");
    VASKOR_REQUIRE(haveTool("xdotool") && haveTool("import"), "xdotool or ImageMagick's import");

    TempHome home;
    JackPeer peer("vaskor-e2e-peer");
    ASSERT_TRUE(peer.isOpen());
    ASSERT_FALSE(peer.addInput(portName).empty());
    const juce::ScopedJuceInitialiser_GUI gui;
    const juce::Image showsNone = chooserShowing("(none)");
    const juce::Image showsPort = chooserShowing(portName);

    const std::filesystem::path artifacts = std::filesystem::path(VASKOR_BINARY_DIR) / "artifacts";
    std::filesystem::create_directories(artifacts);
    const std::string programLog = (artifacts / "VaskorMidi5-jack-stderr.txt").string();
    std::filesystem::remove(programLog);
    const ShowLogOnFailure showLog(programLog);
    StartedProgram started = startWithWindow(x11, programLog, 90s, {"VASKOR_MIDI_BACKEND=jack"});
    ASSERT_TRUE(started.window.has_value()) << started.problem;
    const std::string shot = (artifacts / "VaskorMidi5-jack-chooser.png").string();
    ProgramWindow window(x11, *started.program, started.window->id, shot);
    const auto failedShot = [&shot] { return "what the window showed last: " + shot; };

    // The first scan lists the port; nothing is chosen yet.
    ASSERT_TRUE(window.waitUntilChooserShows(showsNone, 20s)) << failedShot();
    ASSERT_TRUE(window.chooseLastItem(showsPort)) << failedShot();

    ASSERT_TRUE(window.sendAndAnswerYes(10s)) << "no \"Confirm\" box after SEND";
    const std::vector<unsigned char> shownBank(defaultTemplate.data(), defaultTemplate.data() + defaultTemplateSize);
    ASSERT_TRUE(peer.waitForEvents(1, 10000)) << "nothing reached the port";
    auto events = peer.received();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].port, portName);
    EXPECT_EQ(events[0].bytes, shownBank);

    // The port leaves while chosen, and comes back: no action is needed.
    ASSERT_TRUE(peer.removePort(portName));
    EXPECT_TRUE(window.waitUntilChooserShows(showsNone, 20s)) << failedShot();
    ASSERT_FALSE(peer.addInput(portName).empty());
    ASSERT_TRUE(window.waitUntilChooserShows(showsPort, 20s)) << failedShot();

    // It is in use again: the next send (after the wait) reaches it.
    ASSERT_TRUE(window.sendAndAnswerYes(20s)) << "no \"Confirm\" box after SEND";
    ASSERT_TRUE(peer.waitForEvents(2, 10000)) << "nothing reached the returned port";
    events = peer.received();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[1].bytes, shownBank);

    x11.requestClose(started.window->id);
    const auto status = started.program->waitForExit(30s);
    ASSERT_TRUE(status.has_value()) << "the program did not end after the close request";
    EXPECT_EQ(*status, 0);

    // The next run opens the port chosen in this one and shows it again.
    StartedProgram again = startWithWindow(x11, programLog, 90s, {"VASKOR_MIDI_BACKEND=jack"});
    ASSERT_TRUE(again.window.has_value()) << again.problem;
    ProgramWindow nextRun(x11, *again.program, again.window->id, shot);
    EXPECT_TRUE(nextRun.waitUntilChooserShows(showsPort, 20s)) << failedShot();
    x11.requestClose(again.window->id);
    EXPECT_EQ(again.program->waitForExit(30s), std::optional<int>(0));
}
