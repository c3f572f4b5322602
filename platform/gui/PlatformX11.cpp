#include "PlatformX11.h"

#include <dlfcn.h>

namespace
{
template <typename Function>
void find(void* library, Function& function, const char* name)
{
    function = library != nullptr ? reinterpret_cast<Function>(dlsym(library, name)) : nullptr;
}

PlatformX11 load()
{
    void* library = dlopen("libX11.so.6", RTLD_LAZY | RTLD_LOCAL);
    if (library == nullptr)
        library = dlopen("libX11.so", RTLD_LAZY | RTLD_LOCAL);
    PlatformX11 x11;
    find(library, x11.openDisplay, "XOpenDisplay");
    find(library, x11.closeDisplay, "XCloseDisplay");
    find(library, x11.queryTree, "XQueryTree");
    find(library, x11.getGeometry, "XGetGeometry");
    find(library, x11.freeData, "XFree");
    find(library, x11.sync, "XSync");
    find(library, x11.setErrorHandler, "XSetErrorHandler");
    find(library, x11.internAtom, "XInternAtom");
    find(library, x11.getWindowProperty, "XGetWindowProperty");
    find(library, x11.getWindowAttributes, "XGetWindowAttributes");
    find(library, x11.sendEvent, "XSendEvent");
    find(library, x11.createSimpleWindow, "XCreateSimpleWindow");
    find(library, x11.destroyWindow, "XDestroyWindow");
    find(library, x11.changeProperty, "XChangeProperty");
    return x11;
}
} // namespace

bool PlatformX11::usable() const
{
    return openDisplay != nullptr && closeDisplay != nullptr && queryTree != nullptr && getGeometry != nullptr
           && freeData != nullptr && sync != nullptr && setErrorHandler != nullptr && internAtom != nullptr
           && getWindowProperty != nullptr && getWindowAttributes != nullptr && sendEvent != nullptr
           && createSimpleWindow != nullptr && destroyWindow != nullptr && changeProperty != nullptr;
}

const PlatformX11& platformX11()
{
    static const PlatformX11 table = load();
    return table;
}
