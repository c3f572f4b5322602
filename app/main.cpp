// Entry point of the Vaskor MIDI 5 programming utility: hands the command line
// to the toolkit's application runner, which creates VaskorApplication.
#include "VaskorApplication.h"
#include "gui/PlatformDisplay.h"
#include "gui/PlatformFonts.h"

#include <cstdio>

int main(int argc, char* argv[])
{
    // Without a display the toolkit would crash while placing the window.
    if (! platformDisplayAvailable())
    {
        std::fputs("Vaskor MIDI 5: no graphical display could be opened (check DISPLAY); "
                   "the program needs one to show its window.\n",
                   stderr);
        return 1;
    }
    platformLimitFontScan();
    juce::JUCEApplicationBase::createInstance = &createApplication;
    return juce::JUCEApplicationBase::main(argc, const_cast<const char**>(argv));
}
