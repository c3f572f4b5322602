// The running program's main window driven from outside as a user drives it,
// for the tests of the real program over JACK: what the output chooser shows
// is read from screenshots of the window, compared pixel for pixel with the
// chooser drawn here with the panel's own look; the chooser's list is opened
// and picked from with the pointer, and SEND is pressed and its boxes
// answered with their keys; and the fixture of those tests. It includes Xlib
// (through ProgramTestSupport.h), whose macros (None, Bool) clash with the
// test framework and the toolkit: include it after every other header.
#pragma once

#include "VaskorContentPanel.h"

#include "support/JackTestSupport.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include "app/ProgramTestSupport.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

namespace TestSupport
{
/** The chooser in the window (the first row of the layout) and its text
    area: inside the focus frame, left of the arrow button. */
inline const juce::Rectangle<int> chooserBounds(131, 18, 215, 19);
inline const juce::Rectangle<int> chooserText(3, 3, 187, 13);
inline const juce::Point<int> sendButtonCentre(238, 62);

/** Runs a command of the X tools; one that hangs (a window manager that
    never answers) is given up after 10 s. */
inline bool runTool(const std::string& command)
{
    return std::system(("timeout 10 " + command + " >/dev/null 2>&1").c_str()) == 0;
}

/** The chooser showing text, drawn with the panel's look and colours. */
inline juce::Image chooserShowing(const juce::String& text)
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

/** The preferences that a run which chose the output port leaves behind:
    the port wanted open, and the chooser's alias naming it. */
inline std::string preferencesChoosing(const std::string& port)
{
    return "[MIDI.out]\nName0=" + port + "\nOptions0=FF4944494D\n\n[MIDI.alias]\nName0=MIDI Output Device\nDevice0=2:"
           + port + "\n\n";
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

    /** True when the chooser shows what expected shows all through during
        (looked at again and again). */
    bool chooserKeepsShowing(const juce::Image& expected, std::chrono::milliseconds during)
    {
        const auto end = Clock::now() + during;
        do
        {
            if (!chooserLooksLike(expected))
                return false;
            std::this_thread::sleep_for(200ms);
        } while (Clock::now() < end);
        return true;
    }

    /** Opens the chooser's list with a click and picks its last item, until
        the chooser shows what expected shows; false when it never does. A
        list opened too soon after the window took the focus closes at once,
        and a click too soon after it opened is not taken: both are tried
        again. */
    bool chooseLastItem(const juce::Image& expected)
    {
        runTool("xdotool windowactivate --sync " + id);
        for (int attempt = 0; attempt < 4; ++attempt)
        {
            if (waitForMenu(0ms))
                runTool("xdotool key Escape"); // a list left open by the previous attempt
            click(chooserBounds.getCentre());
            if (!waitForMenu(2s))
                continue;
            std::this_thread::sleep_for(500ms); // placed and ready for a click
            if (const auto menu = waitForMenu(1s))
                runTool("xdotool mousemove --sync " + std::to_string(menu->x + menu->width / 2) + " "
                        + std::to_string(menu->y + menu->height - 6) + " sleep 0.3 click 1");
            if (waitUntilChooserShows(expected, 3s))
                return true;
        }
        return false;
    }

    /** Presses SEND until the "Confirm" box comes (SEND is disabled while it
        waits after a send), then answers Yes with the Yes button's key until
        the box is gone (a key that comes before the box has the focus is
        lost); false when no box came within limit, or it stayed. */
    bool sendAndAnswerYes(std::chrono::milliseconds limit)
    {
        const auto end = Clock::now() + limit;
        while (Clock::now() < end)
        {
            click(sendButtonCentre);
            for (int i = 0; i < 10; ++i)
            {
                std::this_thread::sleep_for(150ms);
                if (programBox("Confirm"))
                    return answer("Confirm", "y");
            }
        }
        return false;
    }

    /** Whether the program shows its "Error" box within limit; one that
        came is answered with its OK key. */
    bool errorBoxCame(std::chrono::milliseconds limit)
    {
        const auto end = Clock::now() + limit;
        do
        {
            if (programBox("Error"))
                return answer("Error", "Return");
            std::this_thread::sleep_for(100ms);
        } while (Clock::now() < end);
        return false;
    }

    /** The window's title as the window manager shows it. */
    std::string title() { return x11.window(std::stoul(id)).name; }

private:
    void click(juce::Point<int> at)
    {
        runTool("xdotool mousemove --window " + id + " " + std::to_string(at.x) + " " + std::to_string(at.y)
                + " sleep 0.2 click 1");
    }

    /** Gives the program's box of that title the focus and presses key,
        until the box is gone (at most 4 tries); false when it stays. */
    bool answer(const std::string& boxTitle, const std::string& key)
    {
        for (int attempt = 0; attempt < 4; ++attempt)
        {
            const auto box = programBox(boxTitle);
            if (!box)
                return true;
            runTool("xdotool windowactivate --sync " + std::to_string(box->id) + " key " + key);
            for (int i = 0; i < 20 && programBox(boxTitle); ++i)
                std::this_thread::sleep_for(100ms);
        }
        return !programBox(boxTitle);
    }

    /** The program's box of that title, when it is on screen. */
    std::optional<X11Probe::ClientWindow> programBox(const std::string& name)
    {
        for (const auto& window : x11.clientWindows())
            if (window.viewable && window.name == name && window.pid == program.id())
                return window;
        return std::nullopt;
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
        if (!runTool("import -window " + id + " '" + shotPath + "'"))
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

/** A file of the build's test artifacts folder (screenshots, the program's error output). */
inline std::string artifact(const std::string& name)
{
    const std::filesystem::path folder = std::filesystem::path(VASKOR_BINARY_DIR) / "artifacts";
    std::filesystem::create_directories(folder);
    return (folder / name).string();
}

/** One run of the program over JACK (with the environment of the test
    process: JACK_DEFAULT_SERVER names the server; environment may name
    another backend), its window driven as a ProgramWindow once it shows the
    title. */
class JackProgramRun
{
public:
    JackProgramRun(X11Probe& probe, const std::string& log, const std::string& shot,
                   const std::string& title = panelTitle,
                   const std::vector<std::string>& environment = {"VASKOR_MIDI_BACKEND=jack"})
        : x11(probe), logPath(log), started(startWithWindow(probe, log, 90s, environment, title))
    {
        if (started.window)
            window.emplace(probe, *started.program, started.window->id, shot);
    }

    /** Why the window is not there; empty when it is. */
    const std::string& problem() const { return started.problem; }
    bool isRunning() { return !started.program->poll(); }

    /** Asks the window manager to close the window, as its close button
        does; the exit status, or nothing when the program did not end within
        limit. */
    std::optional<int> close(std::chrono::milliseconds limit = 30s)
    {
        x11.requestClose(started.window->id);
        const std::optional<int> status = started.program->waitForExit(limit);
        if (!status)
            appendStacks();
        return status;
    }

    X11Probe& x11;
    const std::string logPath;
    StartedProgram started;
    std::optional<ProgramWindow> window;

private:
    /** Adds the stacks of the program that hangs to its error output, which
        a failing test shows. */
    void appendStacks() { appendStacksOf(started.program->id(), logPath); }
};
} // namespace TestSupport

/** In a test body: fails under scripts/test (which provides everything),
    else skips, when condition does not hold; what names what is missing. */
#define VASKOR_REQUIRE(condition, what)                                                                             \
    do                                                                                                               \
    {                                                                                                                \
        if (!(condition))                                                                                            \
        {                                                                                                            \
            if (TestSupport::jackServerRequired())                                                                   \
                FAIL() << what << " is missing";                                                                     \
            GTEST_SKIP() << what << " is missing (run the tests through scripts/test)";                              \
        }                                                                                                            \
    } while (0)

/** In a test body: what a test of the program over JACK needs of the
    machine (a JACK server, the X display of x11, the X tools). */
#define VASKOR_REQUIRE_JACK_PROGRAM(x11)                                                                            \
    VASKOR_REQUIRE_JACK_SERVER();                                                                                   \
    VASKOR_REQUIRE((x11).isOpen(), "an X display");                                                                 \
    VASKOR_REQUIRE(haveTool("xdotool") && haveTool("import"), "xdotool or ImageMagick's import")

namespace TestSupport
{
/**
    What the tests of the program over JACK share: the X display, a temporary
    home for the program's preferences and documents, the toolkit (to draw
    what the chooser should show), and artifact files named after the test:
    the program's error output, shown when the test fails, and the last
    screenshot of its window. A machine without what the tests need fails
    them under scripts/test and skips them elsewhere.
*/
class JackProgramTest : public ::testing::Test
{
protected:
    void SetUp() override { VASKOR_REQUIRE_JACK_PROGRAM(x11); }

    /** Starts the program and waits for its window with that title. */
    JackProgramRun start(const std::string& title = panelTitle) { return JackProgramRun(x11, log, shot, title); }

    /** Where the window as it was last looked at is. */
    std::string lastShot() const { return "what the window showed last: " + shot; }

    static std::string testName() { return ::testing::UnitTest::GetInstance()->current_test_info()->name(); }

    X11Probe x11;
    TempHome home;
    const juce::ScopedJuceInitialiser_GUI gui;
    const juce::Image showsNone = chooserShowing("(none)");
    const std::string log = freshArtifact(testName() + "-stderr.txt");
    const std::string shot = artifact(testName() + ".png");
    const ShowLogOnFailure showLog {log};

private:
    static std::string freshArtifact(const std::string& name)
    {
        const std::string path = artifact(name);
        std::filesystem::remove(path);
        return path;
    }
};
} // namespace TestSupport
