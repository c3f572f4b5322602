#include "PlatformWindowRect.h"

#include "PlatformX11.h"

#include <atomic>

namespace
{
// The connection of the call under way, whether a request on it failed, and
// the handler that errors of other connections (the toolkit's) go on to.
std::atomic<Display*> asking {nullptr};
std::atomic<bool> requestFailed {false};
std::atomic<XErrorHandler> otherErrors {nullptr};

int recordError(Display* display, XErrorEvent* error)
{
    if (display == asking.load())
    {
        requestFailed = true;
        return 0;
    }
    const XErrorHandler next = otherErrors.load();
    return next != nullptr ? next(display, error) : 0;
}

/** The window that holds window directly below the root: its window
    manager's frame, or window itself when nothing holds it. */
bool outermost(const PlatformX11& x11, Display* display, Window window, Window* found)
{
    for (;;)
    {
        Window root = 0;
        Window parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        if (x11.queryTree(display, window, &root, &parent, &children, &count) == 0)
            return false;
        if (children != nullptr)
            x11.freeData(children);
        if (parent == root || parent == 0)
        {
            *found = window;
            return true;
        }
        window = parent;
    }
}

/** The outer rectangle of window's outermost holder, relative to the root. */
bool outerRect(const PlatformX11& x11, Display* display, Window window, RECT* rect)
{
    Window frame = 0;
    if (!outermost(x11, display, window, &frame))
        return false;
    Window root = 0;
    int x = 0;
    int y = 0;
    unsigned int width = 0;
    unsigned int height = 0;
    unsigned int border = 0;
    unsigned int depth = 0;
    if (x11.getGeometry(display, frame, &root, &x, &y, &width, &height, &border, &depth) == 0)
        return false;
    const LONG outside = static_cast<LONG>(2 * border);
    *rect = RECT {x, y, x + static_cast<LONG>(width) + outside, y + static_cast<LONG>(height) + outside};
    return true;
}
} // namespace

BOOL WINAPI GetWindowRect(HWND window, LPRECT rect)
{
    const PlatformX11& x11 = platformX11();
    if (window == nullptr || rect == nullptr || !x11.usable())
        return FALSE;
    Display* display = x11.openDisplay(nullptr);
    if (display == nullptr)
        return FALSE;
    // A handle that names no window (any more) is an error reply here, which
    // libX11's default handler would answer by ending the process.
    asking = display;
    requestFailed = false;
    const XErrorHandler previous = x11.setErrorHandler(recordError);
    otherErrors = previous;
    RECT found {};
    const bool answered = outerRect(x11, display, static_cast<Window>(reinterpret_cast<uintptr_t>(window)), &found);
    x11.sync(display, False);
    x11.setErrorHandler(previous);
    asking = nullptr;
    x11.closeDisplay(display);
    if (!answered || requestFailed)
        return FALSE;
    *rect = found;
    return TRUE;
}
