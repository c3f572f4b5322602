// The application object that the toolkit's runner creates.
#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

class VaskorWindow;

/**
    The Vaskor MIDI 5 programming utility as a toolkit application: a single
    instance that opens the main window on start and deletes it on shut-down.
*/
class VaskorApplication : public juce::JUCEApplication
{
public:
    VaskorApplication();
    ~VaskorApplication() override;

    void initialise(const juce::String& commandLine) override;
    void shutdown() override;

    const juce::String getApplicationName() override;
    const juce::String getApplicationVersion() override;
    bool moreThanOneInstanceAllowed() override;
    void anotherInstanceStarted(const juce::String& commandLine) override;

    /** The main window, null before initialise and after shutdown. */
    VaskorWindow* getWindow() const { return window.get(); }

private:
    std::unique_ptr<VaskorWindow> window;

    JUCE_DECLARE_NON_COPYABLE(VaskorApplication)
};

/** A new application object: what the runner calls to make the application. */
juce::JUCEApplicationBase* createApplication();
