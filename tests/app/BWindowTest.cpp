// The main-window base under a real X server: the order of the content's
// hooks, the first tick, failed starts, the close rule, sizing and the own
// frame. Every test runs in a process of its own (quit ends the message loop
// for good).
#include "DialogSeam.h"
#include "VaskorWindow.h"
#include "app/WindowTestSupport.h"
#include "gui/PlatformDisplay.h"
#include "gui/PlatformWindowRegion.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

// After the toolkit and the test framework: Xlib defines macros (None, Bool) that clash with them.
#include "app/X11Probe.h"

#include <memory>

using TestSupport::ContentScript;
using TestSupport::HookLog;
using TestSupport::RecordingWindow;
using TestSupport::runLoopUntil;

namespace
{
/** The toolkit, a temporary home and a recorder of boxes, for one test. */
class BWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (! platformDisplayAvailable())
            GTEST_SKIP() << "needs an X display (scripts/test starts one)";
        gui = std::make_unique<juce::ScopedJuceInitialiser_GUI>();
    }

    void TearDown() override
    {
        window.reset();
        gui.reset();
    }

    RecordingWindow& startWindow(const ContentScript& script = {}, bool ownFrame = false, bool roundCorners = false)
    {
        window = std::make_unique<RecordingWindow>(log, script);
        window->initialise("", ownFrame, roundCorners);
        return *window;
    }

    bool quitRequested() const { return juce::MessageManager::getInstance()->hasStopMessageBeenSent(); }

    TestSupport::TempHome home;
    HookLog log;
    std::vector<juce::String> boxTitles;
    std::vector<juce::String> boxTexts;
    DialogSeam::ScopedOverride boxes{[this](juce::MessageBoxIconType, const juce::String& title, const juce::String& text)
                                     {
                                         boxTitles.push_back(title);
                                         boxTexts.push_back(text);
                                     },
                                     [](juce::MessageBoxIconType, const juce::String&, const juce::String&) { return 0; }};
    std::unique_ptr<juce::ScopedJuceInitialiser_GUI> gui;
    std::unique_ptr<RecordingWindow> window;
};

const std::vector<std::string> startHooks = {"createContentComponent", "createContent", "updateControlStates",
                                             "loadSettings", "prepareShow"};
} // namespace

TEST_F(BWindowTest, RunsTheHooksInOrderAndAfterStartOnceOnceTheLoopRuns)
{
    RecordingWindow& w = startWindow();
    EXPECT_EQ(log.calls, startHooks);
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(w.isFirstTickPending());

    ASSERT_TRUE(runLoopUntil([&] { return log.count("afterStart") > 0; }));
    // A few more ticks' worth of time: the timer must have stopped.
    juce::MessageManager::getInstance()->runDispatchLoopUntil(150);

    std::vector<std::string> expected = startHooks;
    expected.insert(expected.end(), {"afterStart", "updateControlStates"});
    EXPECT_EQ(log.calls, expected);
    EXPECT_FALSE(w.isTimerRunning());
    EXPECT_FALSE(w.isFirstTickPending());
    EXPECT_GE(log.afterStartAtMs - log.shownAtMs, 15.0) << "the first tick came before its 20 ms";
    for (bool onMessageThread : log.onMessageThread)
        EXPECT_TRUE(onMessageThread);
    EXPECT_FALSE(quitRequested());

    window.reset();
    expected.insert(expected.end(), {"saveSettings", "~content"});
    EXPECT_EQ(log.calls, expected);
    EXPECT_EQ(BWindow::getMainWindow(), nullptr);
}

TEST_F(BWindowTest, LoadSettingsFalseQuitsWithoutShowingAndStillSavesOnDestruction)
{
    ContentScript script;
    script.loadSettingsResult = false;
    RecordingWindow& w = startWindow(script);

    EXPECT_EQ(log.calls, std::vector<std::string>(startHooks.begin(), startHooks.end() - 1));
    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(w.isTimerRunning());
    EXPECT_TRUE(quitRequested());
    EXPECT_TRUE(boxTitles.empty());

    window.reset();
    EXPECT_EQ(log.count("afterStart"), 0);
    EXPECT_EQ(log.count("saveSettings"), 1);
    EXPECT_EQ(log.calls.back(), "~content");
}

TEST_F(BWindowTest, WithTheNativeTitleBarAFailedStartNeverPutsTheWindowOnScreen)
{
    // The main panel switches to the native title bar in createContent, which
    // makes the toolkit recreate the native window; it must not appear before
    // it is shown, nor at all when the start stops.
    TestSupport::X11Probe x11;
    ASSERT_TRUE(x11.isOpen());
    ContentScript script;
    script.nativeTitleBar = true;
    script.loadSettingsResult = false;
    RecordingWindow& w = startWindow(script);
    EXPECT_TRUE(w.isUsingNativeTitleBar());
    EXPECT_FALSE(w.isVisible());
    ASSERT_NE(w.getWindowHandle(), nullptr);

    // A window that was asked onto the screen is mapped by the window manager
    // within moments: give it that time.
    const auto id = reinterpret_cast<Window>(w.getWindowHandle());
    EXPECT_FALSE(runLoopUntil([&] { return x11.window(id).viewable; }, 700));
}

TEST_F(BWindowTest, WithTheNativeTitleBarTheWindowAppearsWithTheContentsSize)
{
    TestSupport::X11Probe x11;
    ASSERT_TRUE(x11.isOpen());
    ContentScript script;
    script.nativeTitleBar = true;
    RecordingWindow& w = startWindow(script);
    EXPECT_TRUE(w.isVisible());
    const auto id = reinterpret_cast<Window>(w.getWindowHandle());
    ASSERT_TRUE(runLoopUntil([&] { return x11.window(id).viewable; }, 10000));
    const auto shown = x11.window(id);
    EXPECT_EQ(shown.width, 503);
    EXPECT_EQ(shown.height, 603);
    EXPECT_EQ(shown.name, "Test Window");
}

TEST_F(BWindowTest, AnExceptionDuringStartShowsOneFatalErrorBoxAndQuits)
{
    ContentScript script;
    script.throwIn = "loadSettings";
    script.message = "Error loading file 'x':\nbroken";
    RecordingWindow& w = startWindow(script);

    ASSERT_EQ(boxTitles.size(), 1u);
    EXPECT_EQ(boxTitles[0], "Fatal Error");
    EXPECT_EQ(boxTexts[0], "The following error occured:\nError loading file 'x':\nbroken\nThis program will close now.");
    EXPECT_TRUE(quitRequested());
    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(w.isTimerRunning());

    window.reset();
    EXPECT_EQ(log.count("afterStart"), 0);
    EXPECT_EQ(log.count("saveSettings"), 1) << "a failed start still writes the settings";
}

TEST_F(BWindowTest, AnExceptionBeforeTheContentExistsShowsTheBoxAndSavesNothing)
{
    ContentScript script;
    script.throwIn = "createContentComponent";
    script.message = "no content";
    startWindow(script);

    ASSERT_EQ(boxTitles.size(), 1u);
    EXPECT_EQ(boxTexts[0], "The following error occured:\nno content\nThis program will close now.");
    EXPECT_TRUE(quitRequested());
    window.reset();
    EXPECT_EQ(log.count("saveSettings"), 0);
}

TEST_F(BWindowTest, TakesTheBackgroundSizeAndIsNotResizableWithMinimiseAndCloseOnly)
{
    RecordingWindow& w = startWindow();
    ASSERT_NE(w.getContentComponent(), nullptr);
    EXPECT_EQ(w.getContentComponent()->getWidth(), 503);
    EXPECT_EQ(w.getContentComponent()->getHeight(), 603);
    EXPECT_FALSE(w.isResizable());
    EXPECT_NE(w.getMinimiseButton(), nullptr);
    EXPECT_NE(w.getCloseButton(), nullptr);
    EXPECT_EQ(w.getMaximiseButton(), nullptr);
    EXPECT_EQ(BWindow::getMainWindow(), &w);
}

TEST_F(BWindowTest, WithoutABackgroundTheContentIs365By255)
{
    ContentScript script;
    script.loadBackground = false;
    RecordingWindow& w = startWindow(script);
    EXPECT_EQ(w.getContentComponent()->getWidth(), 365);
    EXPECT_EQ(w.getContentComponent()->getHeight(), 255);
}

TEST_F(BWindowTest, TheCloseButtonQuitsOnlyWhenTheContentAgrees)
{
    ContentScript script;
    script.canCloseResult = false;
    RecordingWindow& w = startWindow(script);
    w.closeButtonPressed();
    EXPECT_EQ(log.count("canClose"), 1);
    EXPECT_FALSE(quitRequested());
    EXPECT_TRUE(w.isVisible());
}

TEST_F(BWindowTest, TheCloseButtonQuitsWhenTheContentCanClose)
{
    RecordingWindow& w = startWindow();
    w.closeButtonPressed();
    EXPECT_EQ(log.count("canClose"), 1);
    EXPECT_TRUE(quitRequested());
    window.reset();
    EXPECT_EQ(log.count("saveSettings"), 1);
}

TEST_F(BWindowTest, OwnFrameWithRoundCornersCutsTheWindowToARoundedRectangle)
{
    RecordingWindow& w = startWindow({}, true, true);
    PlatformRegion region{};
    ASSERT_TRUE(platformGetWindowRegion(static_cast<HWND>(w.getWindowHandle()), &region));
    EXPECT_EQ(region.left, 0);
    EXPECT_EQ(region.top, 0);
    EXPECT_EQ(region.right, w.getWidth() + 1);
    EXPECT_EQ(region.bottom, w.getHeight());
    EXPECT_EQ(region.ellipseWidth, 20);
    EXPECT_EQ(region.ellipseHeight, 20);
    EXPECT_FALSE(w.isDropShadowEnabled());
}

TEST_F(BWindowTest, OwnFrameWithoutRoundCornersPaintsABlackOutlineOnATransparentBackground)
{
    RecordingWindow& w = startWindow({}, true, false);
    // Where the desktop cannot show see-through windows the toolkit keeps the colour opaque.
    const auto expectedBackground = juce::Desktop::canUseSemiTransparentWindows()
                                        ? juce::Colours::white.withAlpha(0.0f)
                                        : juce::Colours::white;
    EXPECT_EQ(w.getBackgroundColour(), expectedBackground);
    EXPECT_FALSE(platformGetWindowRegion(static_cast<HWND>(w.getWindowHandle()), nullptr));

    juce::Image image(juce::Image::ARGB, w.getWidth(), w.getHeight(), true);
    juce::Graphics g(image);
    w.paint(g);
    EXPECT_EQ(image.getPixelAt(w.getWidth() / 2, 2), juce::Colours::black);
    EXPECT_EQ(image.getPixelAt(0, 0).getAlpha(), 0) << "the corners are rounded off";
}

TEST_F(BWindowTest, VaskorWindowHasALightGreyBackground)
{
    VaskorWindow vaskorWindow("Vaskor MIDI 5");
    EXPECT_EQ(vaskorWindow.getBackgroundColour(), juce::Colour(240, 240, 240));
    EXPECT_EQ(vaskorWindow.getName(), "Vaskor MIDI 5");
    EXPECT_EQ(BWindow::getMainWindow(), &vaskorWindow);
}
