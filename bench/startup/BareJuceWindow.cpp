// The floor the program's start-up and memory figures are measured against:
// a JUCE application built from the same JUCE library target that opens one
// window of the program's size, with the native title bar, and draws one
// line of text in the default typeface. It reports its first paint the same
// way the program does (FirstPaintProbe). Before JUCE starts it limits the
// toolkit's font scan with the program's own call (platformLimitFontScan), so
// both open the same font files; built with BARE_WINDOW_FULL_FONT_SCAN=1 it
// leaves the scan whole, which shows what that limit saves.
#include "FirstPaintProbe.h"
#include "gui/PlatformFonts.h"

#include <juce_gui_basics/juce_gui_basics.h>

namespace
{
/** The window's content: a light background and one line of text. */
class OneLine : public juce::Component
{
public:
    OneLine() { setSize(503, 603); }

    void paint(juce::Graphics& g) override
    {
        g.fillAll(juce::Colour(240, 240, 240));
        g.setColour(juce::Colours::black);
        g.setFont(15.0f);
        g.drawText("Vaskor MIDI 5", getLocalBounds().removeFromTop(40), juce::Justification::centred);
    }
};

class BareWindow : public juce::DocumentWindow
{
public:
    BareWindow()
        : juce::DocumentWindow("Bare window", juce::Colours::black, juce::DocumentWindow::minimiseButton
                                                                   | juce::DocumentWindow::closeButton)
    {
        setUsingNativeTitleBar(true);
        setContentOwned(new OneLine(), true);
        setResizable(false, false);
        setVisible(true);
    }

    void paintOverChildren(juce::Graphics& g) override
    {
        juce::DocumentWindow::paintOverChildren(g);
        FirstPaintProbe::painted();
    }

    void closeButtonPressed() override { juce::JUCEApplication::quit(); }
};

class BareApplication : public juce::JUCEApplication
{
public:
    const juce::String getApplicationName() override { return "Bare JUCE window"; }
    const juce::String getApplicationVersion() override { return "1.0"; }
    bool moreThanOneInstanceAllowed() override { return true; }
    void initialise(const juce::String&) override { window = std::make_unique<BareWindow>(); }
    void shutdown() override { window.reset(); }

private:
    std::unique_ptr<BareWindow> window;
};

juce::JUCEApplicationBase* createBareApplication()
{
    return new BareApplication();   // owned and deleted by JUCE
}
} // namespace

int main(int argc, char* argv[])
{
#if ! BARE_WINDOW_FULL_FONT_SCAN
    platformLimitFontScan();
#endif
    juce::JUCEApplicationBase::createInstance = &createBareApplication;
    return juce::JUCEApplicationBase::main(argc, const_cast<const char**>(argv));
}
