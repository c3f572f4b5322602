// The main panel's operations whose work belongs to a part of the program
// that is not built yet: the preferences file. Each is called from the place
// where the panel needs it, so that the part that fills it in has nothing else
// to change. Until then nothing is read or written.
#include "VaskorContentPanel.h"

// The preferences: read while the window is set up, written when it closes.
void VaskorContentPanel::readSettings()
{
}

void VaskorContentPanel::writeSettings()
{
}
