#include "PlatformDisplay.h"

#include <dlfcn.h>

namespace
{
using OpenDisplayFunction = void* (*)(const char*);
using CloseDisplayFunction = int (*)(void*);

void* loadX11()
{
    // Kept loaded: the toolkit loads the same library right after this check,
    // and unloading libX11 while its helper libraries stay is not safe.
    void* handle = dlopen("libX11.so.6", RTLD_LAZY | RTLD_LOCAL);
    if (handle == nullptr)
        handle = dlopen("libX11.so", RTLD_LAZY | RTLD_LOCAL);
    return handle;
}
} // namespace

bool platformDisplayAvailable()
{
    void* x11 = loadX11();
    if (x11 == nullptr)
        return false;
    const auto openDisplay = reinterpret_cast<OpenDisplayFunction>(dlsym(x11, "XOpenDisplay"));
    const auto closeDisplay = reinterpret_cast<CloseDisplayFunction>(dlsym(x11, "XCloseDisplay"));
    if (openDisplay == nullptr || closeDisplay == nullptr)
        return false;
    void* display = openDisplay(nullptr);
    if (display == nullptr)
        return false;
    closeDisplay(display);
    return true;
}
