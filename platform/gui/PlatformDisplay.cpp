#include "PlatformDisplay.h"

#include "PlatformX11.h"

bool platformDisplayAvailable()
{
    const PlatformX11& x11 = platformX11();
    if (!x11.usable())
        return false;
    Display* display = x11.openDisplay(nullptr);
    if (display == nullptr)
        return false;
    x11.closeDisplay(display);
    return true;
}
