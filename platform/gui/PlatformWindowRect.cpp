#include "PlatformWindowRect.h"

#include "PlatformX11.h"

#include <X11/Xatom.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

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

// How long a window manager gets to tell the frame it will give a window.
constexpr auto frameExtentsWait = std::chrono::milliseconds(500);

/** The frame's extents around a window: left, right, top, bottom. */
struct Extents
{
    long left = 0;
    long right = 0;
    long top = 0;
    long bottom = 0;
};

/** The items of a 32-bit property of window (at most maxCount), as longs. */
bool longProperty(const PlatformX11& x11, Display* display, Window window, Atom property, Atom type, long* items,
                  unsigned long* count, unsigned long maxCount)
{
    Atom actualType = 0;
    int actualFormat = 0;
    unsigned long found = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    const bool read = x11.getWindowProperty(display, window, property, 0, static_cast<long>(maxCount), False, type,
                                            &actualType, &actualFormat, &found, &remaining, &data)
                          == Success
                      && data != nullptr && actualFormat == 32 && actualType == type;
    if (read)
    {
        // Xlib hands 32-bit items over as longs.
        *count = found < maxCount ? found : maxCount;
        std::memcpy(items, data, *count * sizeof(long));
    }
    if (data != nullptr)
        x11.freeData(data);
    return read;
}

bool frameExtentsOf(const PlatformX11& x11, Display* display, Window window, Extents* extents)
{
    long items[4] = {};
    unsigned long count = 0;
    const Atom property = x11.internAtom(display, "_NET_FRAME_EXTENTS", False);
    if (!longProperty(x11, display, window, property, XA_CARDINAL, items, &count, 4) || count < 4)
        return false;
    *extents = Extents {items[0], items[1], items[2], items[3]};
    return true;
}

/** Whether the running window manager says it answers frame-extent requests. */
bool managerTellsFrames(const PlatformX11& x11, Display* display)
{
    long atoms[1024] = {};
    unsigned long count = 0;
    const Atom supported = x11.internAtom(display, "_NET_SUPPORTED", False);
    if (!longProperty(x11, display, DefaultRootWindow(display), supported, XA_ATOM, atoms, &count, 1024))
        return false;
    const Atom request = x11.internAtom(display, "_NET_REQUEST_FRAME_EXTENTS", False);
    for (unsigned long i = 0; i < count; ++i)
        if (static_cast<Atom>(atoms[i]) == request)
            return true;
    return false;
}

/** Asks the window manager for the frame it will give window. */
void requestFrameExtents(const PlatformX11& x11, Display* display, Window window)
{
    XEvent event;
    std::memset(&event, 0, sizeof(event));
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = x11.internAtom(display, "_NET_REQUEST_FRAME_EXTENTS", False);
    event.xclient.format = 32;
    x11.sendEvent(display, DefaultRootWindow(display), False, SubstructureRedirectMask | SubstructureNotifyMask,
                  &event);
    x11.sync(display, False);
}

/** The extents of the frame that the window manager will give the window
    that is not shown yet; none when no window manager tells them in time. */
Extents comingFrame(const PlatformX11& x11, Display* display, Window window)
{
    Extents extents;
    if (frameExtentsOf(x11, display, window, &extents) || !managerTellsFrames(x11, display))
        return extents;
    requestFrameExtents(x11, display, window);
    const auto deadline = std::chrono::steady_clock::now() + frameExtentsWait;
    while (!frameExtentsOf(x11, display, window, &extents) && !requestFailed
           && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return extents;
}

/** Whether window is a top-level window that the window manager has not
    framed yet: not shown, and not one that places itself. */
bool awaitsItsFrame(const PlatformX11& x11, Display* display, Window window)
{
    XWindowAttributes attributes;
    std::memset(&attributes, 0, sizeof(attributes));
    return x11.getWindowAttributes(display, window, &attributes) != 0 && attributes.map_state == IsUnmapped
           && attributes.override_redirect == False;
}

/** The outer rectangle of window's outermost holder, relative to the root
    (for a window not framed yet, of the frame it will get). */
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
    if (frame == window && awaitsItsFrame(x11, display, window))
    {
        const Extents extents = comingFrame(x11, display, window);
        rect->right += static_cast<LONG>(extents.left + extents.right);
        rect->bottom += static_cast<LONG>(extents.top + extents.bottom);
    }
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
