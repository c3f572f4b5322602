#include "BWindow.h"

#include "BContentBase.h"
#include "DialogSeam.h"
#include "FirstPaintProbe.h"
#include "JuceUtils.h"
#include "gui/PlatformWindowRegion.h"

#include <exception>

namespace
{
// The toolkit's minimise button (1) plus its close button (4): no maximise button.
constexpr int minimiseAndCloseButtons = 5;
constexpr int firstTickDelayMs = 20;
} // namespace

BWindow* BWindow::mainWindow = nullptr;

BWindow::BWindow(const juce::String& title)
    : juce::DocumentWindow(title, juce::Colours::black, minimiseAndCloseButtons, true)
{
    mainWindow = this;
}

BWindow::~BWindow()
{
    stopTimer();
    if (content != nullptr)
    {
        // The content writes its settings while it and everything it uses
        // still exist. A failure there must not end the program with a crash
        // on its way out.
        try
        {
            content->saveSettings();
        }
        catch (const std::exception&)
        {
        }
    }
    // The shape goes with the native window, as the platform's own does.
    if (ownFrame && roundCorners && getWindowHandle() != nullptr)
        SetWindowRgn(static_cast<HWND>(getWindowHandle()), nullptr, FALSE);
    if (mainWindow == this)
        mainWindow = nullptr;
    // The DocumentWindow base deletes the content afterwards.
}

BWindow* BWindow::getMainWindow()
{
    return mainWindow;
}

juce::String BWindow::fatalErrorText(const juce::String& message)
{
    return "The following error occured:\n" + message + "\nThis program will close now.";
}

void BWindow::minimisationStateChanged(bool isNowMinimised)
{
    if (content != nullptr)
        content->minimisationStateChanged(isNowMinimised);
}

void BWindow::paint(juce::Graphics& g)
{
    if (! ownFrame || roundCorners)
    {
        juce::DocumentWindow::paint(g);
        return;
    }
    g.setColour(juce::Colours::black);
    g.fillRoundedRectangle(0.0f, 0.0f, static_cast<float>(getWidth()), static_cast<float>(getHeight()), 10.0f);
}

void BWindow::paintOverChildren(juce::Graphics& g)
{
    juce::DocumentWindow::paintOverChildren(g);
    FirstPaintProbe::painted();
}

void BWindow::closeButtonPressed()
{
    if (content == nullptr || content->canClose())
        juce::JUCEApplication::quit();
}

void BWindow::parentHierarchyChanged()
{
    juce::DocumentWindow::parentHierarchyChanged();
    applyIconToPeer();
}

void BWindow::setWindowIcon(const juce::Image& icon)
{
    windowIcon = icon;
    setIcon(icon);
    applyIconToPeer();
}

void BWindow::applyIconToPeer()
{
    if (! windowIcon.isValid())
        return;
    if (auto* peer = juce::ComponentPeer::getPeerFor(this))
        peer->setIcon(windowIcon);
}

void BWindow::initialise(const juce::String& commandLine, bool wantOwnFrame, bool wantRoundCorners)
{
    try
    {
        setUp(commandLine, wantOwnFrame, wantRoundCorners);
    }
    catch (const std::exception& e)
    {
        // The lock and the command-line copy are released by now.
        DialogSeam::showMessageBox(juce::MessageBoxIconType::WarningIcon, "Fatal Error",
                                   fatalErrorText(toJuceString(Tr::TString(e.what()))));
        juce::JUCEApplication::quit();
    }
}

void BWindow::setUp(const juce::String& commandLine, bool wantOwnFrame, bool wantRoundCorners)
{
    const juce::MessageManagerLock lock;
    const juce::String commandLineCopy(commandLine);

    ownFrame = wantOwnFrame;
    roundCorners = wantRoundCorners;

    content = createContentComponent();
    setContentOwned(content, false);

    // Switching to the native title bar (the content's createContent) or
    // setting the resizable state makes the toolkit recreate the native window
    // and bring it to the front, which puts it on screen at its old size
    // (128 x 128) before it is sized or meant to be shown. Kept off the
    // desktop meanwhile, it first appears when it is shown, at its final size,
    // and not at all when the start stops before that.
    const bool offDesktopWhileBuilt = isOnDesktop() && ! isVisible();
    if (offDesktopWhileBuilt)
        removeFromDesktop();
    content->createContent();
    content->updateControlStates();
    setTitleBarButtonsRequired(minimiseAndCloseButtons, false);
    setResizable(false, false);
    if (offDesktopWhileBuilt)
        addToDesktop();

    if (! content->loadSettings(commandLineCopy))
    {
        juce::JUCEApplication::quit();
        return;
    }

    setContentComponentSize(content->getBackgroundWidth(), content->getBackgroundHeight());
    if (ownFrame)
        applyOwnFrame();
    if (content->prepareShow())
        setVisible(true);

    firstTickPending = true;
    startTimer(firstTickDelayMs);
}

void BWindow::applyOwnFrame()
{
    setDropShadowEnabled(false);
    if (roundCorners)
    {
        HRGN region = CreateRoundRectRgn(0, 0, getWidth() + 1, getHeight(), 20, 20);
        if (SetWindowRgn(static_cast<HWND>(getWindowHandle()), region, TRUE) == 0)
            DeleteObject(region);
    }
    else
    {
        setBackgroundColour(juce::Colours::white.withAlpha(0.0f));
    }
}

void BWindow::timerCallback()
{
    if (! firstTickPending)
        return;
    firstTickPending = false;
    if (content != nullptr)
    {
        content->afterStart(true);
        content->updateControlStates();
    }
    stopTimer();
}
