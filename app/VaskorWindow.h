// The program's main window.
#pragma once

#include "BWindow.h"

/**
    The main window of this program: a BWindow with a light grey background
    and the application icon, whose content is the program's main panel.
*/
class VaskorWindow : public BWindow
{
public:
    explicit VaskorWindow(const juce::String& title);

    BContentBase* createContentComponent() override;

private:
    JUCE_DECLARE_NON_COPYABLE(VaskorWindow)
};
