#include "VaskorWindow.h"

#include "BContentBase.h"
#include "VaskorContentPanel.h"

VaskorWindow::VaskorWindow(const juce::String& title)
    : BWindow(title)
{
    setBackgroundColour(juce::Colour(240, 240, 240));
    // The application icon embedded in the program ("icon.png").
    if (const auto icon = loadImageFromResource("PNG", "ICON", false).image)
        setWindowIcon(*icon);
}

BContentBase* VaskorWindow::createContentComponent()
{
    return VaskorContentPanel::create();
}
