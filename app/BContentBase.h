// Base of the component that fills the main window.
#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

/**
    The component that fills the main window (BWindow). It paints a background
    image taken from the program's own resources, whose size becomes the
    window's content size; dragging its background with the left button moves
    the whole main window; and it offers the hooks through which the window
    drives start-up, shut-down and control updates. The window calls the hooks
    in this order: createContent, updateControlStates, loadSettings,
    prepareShow, then (on its first timer tick) afterStart and
    updateControlStates; canClose on the close button; saveSettings in its
    destructor, before the content is destroyed.
*/
class BContentBase : public juce::Component, public juce::AsyncUpdater
{
public:
    BContentBase();
    ~BContentBase() override;

    // Mouse handling: dragging the main window, double-click on its title area.
    void mouseDown(const juce::MouseEvent& e) override;
    void mouseDrag(const juce::MouseEvent& e) override;
    void mouseUp(const juce::MouseEvent& e) override;
    void mouseDoubleClick(const juce::MouseEvent& e) override;

    /** The main window forwards its minimisation here; the base ignores it. */
    virtual void minimisationStateChanged(bool isNowMinimised);

    void paint(juce::Graphics& g) override;

    // Hooks driven by the main window, with their defaults.

    /** Builds the content: loads the background and listens to the main window's mouse. */
    virtual void createContent();
    /** Reads the settings; false makes the program quit. Default: true. */
    virtual bool loadSettings(const juce::String& commandLine);
    /** Runs once on the window's first timer tick (started is true). Default: nothing. */
    virtual void afterStart(bool started);
    /** Asked by the close button; false keeps the program running. Default: true. */
    virtual bool canClose();
    /** Writes the settings; called by the window's destructor. Default: nothing. */
    virtual void saveSettings();
    /** Brings the controls' enabled states up to date. Default: nothing. */
    virtual void updateControlStates();
    /** Asked just before the window shows itself; false keeps it hidden. Default: true. */
    virtual bool prepareShow();

    void handleAsyncUpdate() override;

    /** The background image's size: 365 x 255 until an image is loaded. */
    int getBackgroundWidth() const { return backgroundWidth; }
    int getBackgroundHeight() const { return backgroundHeight; }

    /**
        Adds an invisible hyperlink button for url in front of the other
        children and returns it. The caller sets its bounds and deletes it.
    */
    juce::HyperlinkButton* addHyperlink(const juce::String& url);

protected:
    /** Moves the main window by the pointer's travel since the left press. */
    void dragWindow(const juce::MouseEvent& e);

    std::unique_ptr<juce::Drawable> background;
    int backgroundWidth = 365;
    int backgroundHeight = 255;
    bool repaintPending = false;
    bool updatePending = false;
    int dragStartX = noDrag;
    int dragStartY = noDrag;

private:
    static constexpr int noDrag = -50000;

    // The window whose mouse events this content listens to (set by createContent).
    juce::Component::SafePointer<juce::Component> listenedWindow;

    JUCE_DECLARE_NON_COPYABLE(BContentBase)
};

/** An image loaded from the program's resources: a drawable or a plain image. */
struct ResourceImage
{
    std::unique_ptr<juce::Drawable> drawable;
    std::unique_ptr<juce::Image> image;
};

/**
    Loads the resource named after fileName: "background.png" is the resource
    "BACKGROUND" of type "PNG". Null when it is missing or not an image.
*/
std::unique_ptr<juce::Drawable> loadResourceImage(const juce::String& fileName);

/**
    Loads the resource (type, name) as a drawable (asDrawable) or as an image.
    The result owns its pixels; the resource is released before returning.
    Both members are null when the resource is missing or not an image.
*/
ResourceImage loadImageFromResource(const juce::String& type, const juce::String& name, bool asDrawable);
