// The application object: its name, version and single-instance rule, and
// the window it makes and deletes. Each test runs in a process of its own.
#include "VaskorApplication.h"
#include "VaskorWindow.h"
#include "app/WindowTestSupport.h"
#include "gui/PlatformDisplay.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

TEST(VaskorApplication, IsASingleInstanceProgramNamedVaskorMidi5Version2)
{
    const juce::ScopedJuceInitialiser_GUI gui;
    VaskorApplication app;
    EXPECT_EQ(app.getApplicationName(), "Vaskor MIDI 5");
    EXPECT_EQ(app.getApplicationVersion(), "2.0");
    EXPECT_FALSE(app.moreThanOneInstanceAllowed());
    app.anotherInstanceStarted("--anything");
    EXPECT_EQ(app.getWindow(), nullptr);
}

TEST(VaskorApplication, ShutdownWithoutInitialiseCopes)
{
    // What the runner does when another instance already runs.
    const juce::ScopedJuceInitialiser_GUI gui;
    VaskorApplication app;
    app.shutdown();
    EXPECT_EQ(app.getWindow(), nullptr);
}

TEST(VaskorApplication, InitialiseShowsTheMainWindowAndShutdownDeletesIt)
{
    if (! platformDisplayAvailable())
        GTEST_SKIP() << "needs an X display";
    TestSupport::TempHome home;
    const juce::ScopedJuceInitialiser_GUI gui;
    VaskorApplication app;
    app.initialise("");
    VaskorWindow* window = app.getWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->getName().startsWith("Vaskor MIDI 5"));
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->isResizable());
    ASSERT_NE(window->getContentComponent(), nullptr);
    EXPECT_EQ(window->getContentComponent()->getWidth(), 503);
    EXPECT_EQ(window->getContentComponent()->getHeight(), 603);
    EXPECT_EQ(BWindow::getMainWindow(), window);

    TestSupport::runLoopUntil([] { return false; }, 300);
    app.shutdown();
    EXPECT_EQ(app.getWindow(), nullptr);
    EXPECT_EQ(BWindow::getMainWindow(), nullptr);
}
