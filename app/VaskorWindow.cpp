#include "VaskorWindow.h"

#include "VaskorContentPanel.h"

VaskorWindow::VaskorWindow(const juce::String& title)
    : BWindow(title)
{
    setBackgroundColour(juce::Colour(240, 240, 240));
}

BContentBase* VaskorWindow::createContentComponent()
{
    return VaskorContentPanel::create();
}
