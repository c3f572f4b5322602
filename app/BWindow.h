// General main-window base: content creation, start-up order, first tick.
#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

class BContentBase;

/**
    The main window's base. It creates its content (a BContentBase) through
    createContentComponent, drives the content's start-up hooks in a fixed
    order under the message-manager lock, takes the size of the content's
    background image, can draw an outline of its own (optionally with rounded
    corners), and gives the content one first tick 20 ms after start-up, once
    the message loop runs. A failure during start-up is shown in the
    "Fatal Error" box and quits the program. The window's destructor lets the
    content save its settings before the content is destroyed.
*/
class BWindow : public juce::DocumentWindow, public juce::Timer
{
public:
    explicit BWindow(const juce::String& title);
    ~BWindow() override;

    void minimisationStateChanged(bool isNowMinimised) override;
    void paint(juce::Graphics& g) override;
    /** Ends every paint of the window; the first one is the moment the
        start-up figures measure to (FirstPaintProbe). */
    void paintOverChildren(juce::Graphics& g) override;
    void closeButtonPressed() override;
    /** Gives every native window the toolkit makes for this one the icon. */
    void parentHierarchyChanged() override;

    /** The window's icon: the window system's icon of the window (on X11
        its _NET_WM_ICON), kept through every native window the toolkit makes
        for it, and the toolkit's own title bar's icon. */
    void setWindowIcon(const juce::Image& icon);

    /** Builds the content, reads its settings, sizes and shows the window. */
    virtual void initialise(const juce::String& commandLine, bool ownFrame, bool roundCorners);
    /** A new content for this window; the window takes ownership. */
    virtual BContentBase* createContentComponent() = 0;

    void timerCallback() override;

    /** The most recently constructed main window (null once it is destroyed). */
    static BWindow* getMainWindow();

    /** The text of the "Fatal Error" box for a start-up failure with message. */
    static juce::String fatalErrorText(const juce::String& message);

protected:
    BContentBase* content = nullptr;
    bool ownFrame = false;
    bool roundCorners = false;
    bool firstTickPending = false;

private:
    juce::Image windowIcon;

    void setUp(const juce::String& commandLine, bool wantOwnFrame, bool wantRoundCorners);
    void applyOwnFrame();
    void applyIconToPeer();

    static BWindow* mainWindow;

    JUCE_DECLARE_NON_COPYABLE(BWindow)
};
