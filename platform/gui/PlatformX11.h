// The X client library, loaded at run time as the toolkit loads it, for the
// few questions this layer asks the X server itself.
#pragma once

#include <X11/Xlib.h>

/**
    The libX11 functions this layer calls, looked up once and kept loaded for
    the life of the process (the toolkit loads the same library, and unloading
    libX11 while its helper libraries stay is not safe). A machine without
    libX11 gets a table that is not usable instead of a crash.
*/
struct PlatformX11
{
    Display* (*openDisplay)(const char*) = nullptr;
    int (*closeDisplay)(Display*) = nullptr;
    Status (*queryTree)(Display*, Window, Window*, Window*, Window**, unsigned int*) = nullptr;
    Status (*getGeometry)(Display*, Drawable, Window*, int*, int*, unsigned int*, unsigned int*, unsigned int*,
                          unsigned int*) = nullptr;
    int (*freeData)(void*) = nullptr;
    int (*sync)(Display*, Bool) = nullptr;
    XErrorHandler (*setErrorHandler)(XErrorHandler) = nullptr;
    Atom (*internAtom)(Display*, const char*, Bool) = nullptr;
    int (*getWindowProperty)(Display*, Window, Atom, long, long, Bool, Atom, Atom*, int*, unsigned long*,
                             unsigned long*, unsigned char**) = nullptr;
    Status (*getWindowAttributes)(Display*, Window, XWindowAttributes*) = nullptr;
    Status (*sendEvent)(Display*, Window, Bool, long, XEvent*) = nullptr;
    Window (*createSimpleWindow)(Display*, Window, int, int, unsigned int, unsigned int, unsigned int, unsigned long,
                                 unsigned long) = nullptr;
    int (*destroyWindow)(Display*, Window) = nullptr;
    int (*changeProperty)(Display*, Window, Atom, Atom, int, int, const unsigned char*, int) = nullptr;

    /** True when every function was found. */
    bool usable() const;
};

/** The process's one table of libX11 functions. */
const PlatformX11& platformX11();
