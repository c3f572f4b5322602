// The content base: the background from the program's resources, its size
// and painting, the hook defaults, the hyperlink, the asynchronous update,
// and dragging the main window.
#include "BContentBase.h"
#include "app/WindowTestSupport.h"
#include "gui/PlatformDisplay.h"

#include <gtest/gtest.h>

#include <juce_graphics/juce_graphics.h>

// After the toolkit and the test framework: Xlib defines macros (None, Bool) that clash with them.
#include "app/X11Probe.h"

#include <memory>

using TestSupport::ContentScript;
using TestSupport::HookLog;
using TestSupport::RecordingWindow;
using TestSupport::runLoopUntil;

namespace
{
juce::Image backgroundFromSourceTree()
{
    return juce::ImageFileFormat::loadFrom(juce::File(VASKOR_SOURCE_DIR).getChildFile("resources/background.png"));
}

/** A mouse event on component at position, pressed at downPosition, with the given buttons. */
juce::MouseEvent mouseEvent(juce::Component& component, juce::Point<float> position, juce::Point<float> downPosition,
                            juce::ModifierKeys buttons, int clicks = 1)
{
    const auto now = juce::Time::getCurrentTime();
    return juce::MouseEvent(juce::Desktop::getInstance().getMainMouseSource(), position, buttons,
                            juce::MouseInputSource::defaultPressure, juce::MouseInputSource::defaultOrientation,
                            juce::MouseInputSource::defaultRotation, juce::MouseInputSource::defaultTiltX,
                            juce::MouseInputSource::defaultTiltY, &component, &component, now, downPosition, now,
                            clicks, false);
}

const juce::ModifierKeys leftButton(juce::ModifierKeys::leftButtonModifier);
const juce::ModifierKeys rightButton(juce::ModifierKeys::rightButtonModifier);
} // namespace

TEST(BContentBase, LoadsTheBackgroundResourceAsA503By603Image)
{
    const juce::ScopedJuceInitialiser_GUI gui;
    const std::unique_ptr<juce::Drawable> drawable = loadResourceImage("background.png");
    ASSERT_NE(drawable, nullptr);
    EXPECT_EQ(drawable->getDrawableBounds().getWidth(), 503.0f);
    EXPECT_EQ(drawable->getDrawableBounds().getHeight(), 603.0f);

    const ResourceImage image = loadImageFromResource("PNG", "BACKGROUND", false);
    EXPECT_EQ(image.drawable, nullptr);
    ASSERT_NE(image.image, nullptr);
    EXPECT_EQ(image.image->getWidth(), 503);
    EXPECT_EQ(image.image->getHeight(), 603);
}

TEST(BContentBase, AMissingOrUndecodableResourceGivesNothing)
{
    const juce::ScopedJuceInitialiser_GUI gui;
    EXPECT_EQ(loadResourceImage("nothing-here.png"), nullptr);
    const ResourceImage missing = loadImageFromResource("PNG", "NOTHING-HERE", false);
    EXPECT_EQ(missing.image, nullptr);
    EXPECT_EQ(missing.drawable, nullptr);

    // Every text file of resources/ is embedded too; none is an image.
    const ResourceImage text = loadImageFromResource("TXT", "PROBE", true);
    EXPECT_EQ(text.drawable, nullptr);
}

TEST(BContentBase, HasItsDefaultsAndTakesTheImageSizeOnCreateContent)
{
    const juce::ScopedJuceInitialiser_GUI gui;
    BContentBase content;
    EXPECT_EQ(content.getBackgroundWidth(), 365);
    EXPECT_EQ(content.getBackgroundHeight(), 255);
    EXPECT_TRUE(content.loadSettings("anything"));
    EXPECT_TRUE(content.canClose());
    EXPECT_TRUE(content.prepareShow());

    content.createContent();
    EXPECT_EQ(content.getBackgroundWidth(), 503);
    EXPECT_EQ(content.getBackgroundHeight(), 603);
}

TEST(BContentBase, PaintsTheBackgroundWithItsTopLeftCornerAtTheOrigin)
{
    const juce::ScopedJuceInitialiser_GUI gui;
    BContentBase content;
    content.createContent();
    content.setSize(content.getBackgroundWidth(), content.getBackgroundHeight());

    juce::Image painted(juce::Image::RGB, 503, 603, true);
    {
        juce::Graphics g(painted);
        content.paint(g);
    }
    const juce::Image expected = backgroundFromSourceTree();
    ASSERT_TRUE(expected.isValid());
    for (const auto& p : {juce::Point<int>(0, 0), juce::Point<int>(20, 10), juce::Point<int>(400, 60),
                          juce::Point<int>(480, 300), juce::Point<int>(502, 602)})
        EXPECT_EQ(painted.getPixelAt(p.x, p.y).getARGB(), expected.getPixelAt(p.x, p.y).getARGB())
            << p.x << "," << p.y;
}

TEST(BContentBase, AddHyperlinkPutsAnInvisibleLinkInFrontOfTheOtherChildren)
{
    const juce::ScopedJuceInitialiser_GUI gui;
    BContentBase content;
    juce::Label label;
    content.addAndMakeVisible(label);
    const std::unique_ptr<juce::HyperlinkButton> link(content.addHyperlink("https://vaskor.example/"));
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->getButtonText(), " ");
    EXPECT_EQ(link->getURL().toString(false), "https://vaskor.example/");
    EXPECT_EQ(link->findColour(juce::HyperlinkButton::textColourId), juce::Colours::white.withAlpha(0.0f));
    EXPECT_EQ(link->getParentComponent(), &content);
    EXPECT_TRUE(link->isVisible());
    EXPECT_EQ(content.getIndexOfChildComponent(link.get()), content.getNumChildComponents() - 1);
}

TEST(BContentBase, TheAsynchronousUpdateRunsWhatIsPendingOnce)
{
    const juce::ScopedJuceInitialiser_GUI gui;
    HookLog log;
    TestSupport::RecordingContent content(log, ContentScript{});
    content.updatePending = true;
    content.repaintPending = true;
    content.triggerAsyncUpdate();
    content.triggerAsyncUpdate();
    ASSERT_TRUE(runLoopUntil([&] { return ! content.updatePending; }, 2000));
    juce::MessageManager::getInstance()->runDispatchLoopUntil(30);
    EXPECT_EQ(log.count("updateControlStates"), 1);
    EXPECT_FALSE(content.repaintPending);

    // Nothing pending: nothing runs.
    content.triggerAsyncUpdate();
    juce::MessageManager::getInstance()->runDispatchLoopUntil(30);
    EXPECT_EQ(log.count("updateControlStates"), 1);
}

TEST(BContentBase, DraggingWithTheLeftButtonMovesTheWindowByThePointersTravelSinceThePress)
{
    if (! platformDisplayAvailable())
        GTEST_SKIP() << "needs an X display";
    const juce::ScopedJuceInitialiser_GUI gui;
    HookLog log;
    RecordingWindow window(log, ContentScript{});
    window.initialise("", false, false);
    window.setTopLeftPosition(100, 80);
    auto* content = window.recordingContent();
    ASSERT_NE(content, nullptr);

    const juce::Point<float> press(10.0f, 10.0f);
    content->mouseDown(mouseEvent(*content, press, press, leftButton));
    // The position is taken from the window at the press, whatever moved it since.
    window.setTopLeftPosition(300, 300);
    content->mouseDrag(mouseEvent(*content, {40.0f, 25.0f}, press, leftButton));
    EXPECT_EQ(window.getPosition(), juce::Point<int>(130, 95));
    content->mouseDrag(mouseEvent(*content, {5.0f, 2.0f}, press, leftButton));
    EXPECT_EQ(window.getPosition(), juce::Point<int>(95, 72));
    content->mouseUp(mouseEvent(*content, {15.0f, 20.0f}, press, leftButton));
    EXPECT_EQ(window.getPosition(), juce::Point<int>(105, 90));

    // The drag has ended: dragging with another button moves nothing.
    content->mouseDown(mouseEvent(*content, press, press, rightButton));
    content->mouseDrag(mouseEvent(*content, {60.0f, 60.0f}, press, rightButton));
    EXPECT_EQ(window.getPosition(), juce::Point<int>(105, 90));
}

TEST(BContentBase, ADragIsEndedOnlyByReleasingTheLeftButton)
{
    if (! platformDisplayAvailable())
        GTEST_SKIP() << "needs an X display";
    const juce::ScopedJuceInitialiser_GUI gui;
    HookLog log;
    RecordingWindow window(log, ContentScript{});
    window.initialise("", false, false);
    window.setTopLeftPosition(100, 80);
    auto* content = window.recordingContent();

    const juce::Point<float> press(10.0f, 10.0f);
    content->mouseDown(mouseEvent(*content, press, press, leftButton));
    content->mouseUp(mouseEvent(*content, press, press, rightButton));
    EXPECT_NE(content->dragStartX, -50000) << "releasing another button ended the drag";
    content->mouseUp(mouseEvent(*content, press, press, leftButton));
    EXPECT_EQ(content->dragStartX, -50000);
}

TEST(BContentBase, ALeftDoubleClickMinimisesOnlyOnTheTitleAreaOfTheWindowItself)
{
    if (! platformDisplayAvailable())
        GTEST_SKIP() << "needs an X display";
    const juce::ScopedJuceInitialiser_GUI gui;
    HookLog log;
    RecordingWindow window(log, ContentScript{});
    window.initialise("", false, false);
    auto* content = window.recordingContent();
    ASSERT_NE(content, nullptr);
    // The window manager minimises only a window it has taken over.
    TestSupport::X11Probe x11;
    ASSERT_TRUE(x11.isOpen());
    const auto id = reinterpret_cast<Window>(window.getWindowHandle());
    ASSERT_TRUE(runLoopUntil([&] { return x11.window(id).viewable; }, 10000));

    // On the content's own background, with the right button too, or below the
    // title bar: nothing happens.
    const int titleBarHeight = window.getTitleBarHeight();
    ASSERT_GT(titleBarHeight, 5);
    const juce::Point<float> inTitle(40.0f, 5.0f);
    const juce::Point<float> belowTitle(40.0f, static_cast<float>(titleBarHeight + 2));
    content->mouseDoubleClick(mouseEvent(*content, inTitle, inTitle, leftButton, 2));
    content->mouseDoubleClick(mouseEvent(window, inTitle, inTitle,
                                         leftButton.withFlags(juce::ModifierKeys::rightButtonModifier), 2));
    content->mouseDoubleClick(mouseEvent(window, belowTitle, belowTitle, leftButton, 2));
    EXPECT_FALSE(runLoopUntil([&] { return window.isMinimised(); }, 300));

    // A left double-click on the window's own title area minimises it.
    content->mouseDoubleClick(mouseEvent(window, inTitle, inTitle, leftButton, 2));
    EXPECT_TRUE(runLoopUntil([&] { return window.isMinimised(); }, 5000));
}
