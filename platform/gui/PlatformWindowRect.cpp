#include "PlatformWindowRect.h"

#include "PlatformX11.h"

#include <X11/Xatom.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <initializer_list>
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

/** Runs request, to which an error reply is an answer (the window asked
    about may be gone) rather than a failure of the call under way; whether
    the request succeeded. */
template <typename Request>
bool mayFail(const PlatformX11& x11, Display* display, Request request)
{
    // Errors of the requests before it count as they would.
    x11.sync(display, False);
    const bool failedBefore = requestFailed.exchange(false);
    const bool answered = request();
    x11.sync(display, False);
    return !requestFailed.exchange(failedBefore) && answered;
}

/** The window that a window's _NET_SUPPORTING_WM_CHECK names; 0 when it
    names none or the window is gone. */
Window checkWindowNamedBy(const PlatformX11& x11, Display* display, Window window)
{
    long named[1] = {};
    unsigned long count = 0;
    const Atom check = x11.internAtom(display, "_NET_SUPPORTING_WM_CHECK", False);
    const bool read = mayFail(x11, display, [&] {
        return longProperty(x11, display, window, check, XA_WINDOW, named, &count, 1);
    });
    return read && count == 1 ? static_cast<Window>(named[0]) : 0;
}

/** Whether a window manager runs: the root window names its check window,
    and that window is there and names itself. One that died (killed, or
    crashed) leaves its properties on the root window, naming a window that
    is gone, and nobody answers what is asked of it. */
bool managerRuns(const PlatformX11& x11, Display* display)
{
    const Window check = checkWindowNamedBy(x11, display, DefaultRootWindow(display));
    return check != 0 && checkWindowNamedBy(x11, display, check) == check;
}

/** Whether a running window manager says it answers frame-extent requests. */
bool managerTellsFrames(const PlatformX11& x11, Display* display)
{
    if (!managerRuns(x11, display))
        return false;
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

/** Gives to the properties of window that decide its frame (whether it has
    decorations, is resizable, is a dialog) the values they have on from. */
void copyFrameProperties(const PlatformX11& x11, Display* display, Window from, Window to)
{
    for (const char* name : {"WM_NORMAL_HINTS", "_MOTIF_WM_HINTS", "_NET_WM_WINDOW_TYPE", "WM_TRANSIENT_FOR"})
    {
        const Atom property = x11.internAtom(display, name, False);
        Atom type = 0;
        int format = 0;
        unsigned long count = 0;
        unsigned long remaining = 0;
        unsigned char* data = nullptr;
        if (x11.getWindowProperty(display, from, property, 0, 64, False, AnyPropertyType, &type, &format, &count,
                                  &remaining, &data)
                == Success
            && data != nullptr && type != 0)
            x11.changeProperty(display, to, property, type, format, PropModeReplace, data, static_cast<int>(count));
        if (data != nullptr)
            x11.freeData(data);
    }
}

/** The extents of the frame that the window manager will give the window
    that is not shown yet; none when no window manager tells them in time.
    The window manager is asked about a stand-in of the window (a window of
    this connection's own with the window's frame properties): it looks into
    a window it is asked about as if it were to manage it, and the window
    itself stays untouched until it is shown. */
Extents comingFrame(const PlatformX11& x11, Display* display, Window window)
{
    Extents extents;
    if (frameExtentsOf(x11, display, window, &extents) || !managerTellsFrames(x11, display))
        return extents;
    const Window standIn = x11.createSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
    copyFrameProperties(x11, display, window, standIn);
    requestFrameExtents(x11, display, standIn);
    const auto deadline = std::chrono::steady_clock::now() + frameExtentsWait;
    while (!frameExtentsOf(x11, display, standIn, &extents) && !requestFailed
           && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    x11.destroyWindow(display, standIn);
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

/** What the X server says of a window's place and size. */
struct Geometry
{
    int x = 0;
    int y = 0;
    unsigned int width = 0;
    unsigned int height = 0;
    unsigned int border = 0;
};

bool geometry(const PlatformX11& x11, Display* display, Window window, Geometry* g)
{
    Window root = 0;
    unsigned int depth = 0;
    return x11.getGeometry(display, window, &root, &g->x, &g->y, &g->width, &g->height, &g->border, &depth) != 0;
}

/** The outer rectangle of window's outermost holder, relative to the root
    (for a window not framed yet, of the frame it will get). */
bool outerRect(const PlatformX11& x11, Display* display, Window window, RECT* rect)
{
    Window frame = 0;
    if (!outermost(x11, display, window, &frame))
        return false;
    Geometry g;
    if (!geometry(x11, display, frame, &g))
        return false;
    const LONG outside = static_cast<LONG>(2 * g.border);
    *rect = RECT {g.x, g.y, g.x + static_cast<LONG>(g.width) + outside, g.y + static_cast<LONG>(g.height) + outside};
    if (frame == window && awaitsItsFrame(x11, display, window))
    {
        const Extents extents = comingFrame(x11, display, window);
        rect->right += static_cast<LONG>(extents.left + extents.right);
        rect->bottom += static_cast<LONG>(extents.top + extents.bottom);
    }
    return true;
}

/** Own rectangle of window: {0, 0, width, height}. */
bool clientRect(const PlatformX11& x11, Display* display, Window window, RECT* rect)
{
    Geometry g;
    if (!geometry(x11, display, window, &g))
        return false;
    *rect = RECT {0, 0, static_cast<LONG>(g.width), static_cast<LONG>(g.height)};
    return true;
}

/** Asks the X server about window over a connection of its own through
    answer; false when anything fails. */
bool askServer(HWND window, const std::function<bool(const PlatformX11&, Display*, Window)>& answer)
{
    const PlatformX11& x11 = platformX11();
    if (window == nullptr || !x11.usable())
        return false;
    Display* display = x11.openDisplay(nullptr);
    if (display == nullptr)
        return false;
    // A handle that names no window (any more) is an error reply here, which
    // libX11's default handler would answer by ending the process.
    asking = display;
    requestFailed = false;
    const XErrorHandler previous = x11.setErrorHandler(recordError);
    otherErrors = previous;
    const bool answered = answer(x11, display, static_cast<Window>(reinterpret_cast<uintptr_t>(window)));
    x11.sync(display, False);
    x11.setErrorHandler(previous);
    asking = nullptr;
    x11.closeDisplay(display);
    return answered && !requestFailed;
}
} // namespace

BOOL WINAPI GetWindowRect(HWND window, LPRECT rect)
{
    RECT found {};
    const auto ask = [&found](const PlatformX11& x11, Display* display, Window w) {
        return outerRect(x11, display, w, &found);
    };
    if (rect == nullptr || !askServer(window, ask))
        return FALSE;
    *rect = found;
    return TRUE;
}

namespace PlatformWindowRect
{
bool frameGrowth(HWND window, int* width, int* height)
{
    RECT outer {};
    RECT own {};
    const auto ask = [&outer, &own](const PlatformX11& x11, Display* display, Window w) {
        return clientRect(x11, display, w, &own) && outerRect(x11, display, w, &outer);
    };
    if (width == nullptr || height == nullptr || !askServer(window, ask))
        return false;
    *width = static_cast<int>(std::max<long>(0, (outer.right - outer.left) - (own.right - own.left)));
    *height = static_cast<int>(std::max<long>(0, (outer.bottom - outer.top) - (own.bottom - own.top)));
    return true;
}
} // namespace PlatformWindowRect
