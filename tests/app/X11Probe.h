// A small X11 client for the tests of the running program: lists the
// top-level windows (those the window manager manages, or every child of the
// root), reads their names, process ids, places, sizes, map states and other
// properties, and asks the window manager to close one.
// libX11 is loaded at run time, as the toolkit does.
#pragma once

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <dlfcn.h>

#include <cstring>
#include <string>
#include <vector>

namespace TestSupport
{
/** A connection to the X display of DISPLAY, for looking at and closing windows. */
class X11Probe
{
public:
    struct ClientWindow
    {
        Window id = 0;
        std::string name;
        long pid = -1;
        int x = 0; ///< relative to its parent: the screen for a child of the root
        int y = 0;
        int width = 0;
        int height = 0;
        bool viewable = false;
        bool overrideRedirect = false; ///< placed by itself, as pop-up menus are
    };

    X11Probe()
    {
        library = dlopen("libX11.so.6", RTLD_LAZY | RTLD_LOCAL);
        if (library == nullptr)
            return;
        if (! (load(openDisplay, "XOpenDisplay") && load(closeDisplay, "XCloseDisplay")
               && load(internAtom, "XInternAtom") && load(getWindowProperty, "XGetWindowProperty")
               && load(freeData, "XFree") && load(getWindowAttributes, "XGetWindowAttributes")
               && load(sendEvent, "XSendEvent") && load(flush, "XFlush") && load(sync, "XSync")
               && load(queryTree, "XQueryTree") && load(setErrorHandler, "XSetErrorHandler")))
            return;
        // A window can vanish between listing and reading it; Xlib's default
        // handler would end the test process on that error.
        setErrorHandler(ignoreError);
        display = openDisplay(nullptr);
    }

    ~X11Probe()
    {
        if (display != nullptr)
            closeDisplay(display);
        if (library != nullptr)
            dlclose(library);
    }

    X11Probe(const X11Probe&) = delete;
    X11Probe& operator=(const X11Probe&) = delete;

    bool isOpen() const { return display != nullptr; }

    /** The managed top-level windows (_NET_CLIENT_LIST), else the root's children (mapped or not). */
    std::vector<ClientWindow> clientWindows() { return describeAll(&X11Probe::managedWindowIds); }

    /** Every child of the root window, the unmanaged ones (pop-up menus) included. */
    std::vector<ClientWindow> topLevelWindows() { return describeAll(&X11Probe::rootChildren); }

    /** Name, process id, size and map state of one window, managed or not. */
    ClientWindow window(Window id)
    {
        if (display == nullptr)
            return {};
        sync(display, False);
        return describe(id);
    }

    /** The 32-bit items of a CARDINAL property of window (at most maxItems), empty when it has none. */
    std::vector<unsigned long> cardinals(Window window, const char* propertyName, long maxItems = 1 << 20)
    {
        std::vector<unsigned long> items;
        if (display == nullptr)
            return items;
        Atom actualType = 0;
        int actualFormat = 0;
        unsigned long count = 0;
        unsigned long remaining = 0;
        unsigned char* data = nullptr;
        if (getWindowProperty(display, window, internAtom(display, propertyName, False), 0, maxItems, False,
                              XA_CARDINAL, &actualType, &actualFormat, &count, &remaining, &data)
                == Success
            && data != nullptr && actualFormat == 32)
        {
            // Xlib hands 32-bit items over as longs.
            const auto* values = reinterpret_cast<const long*>(data);
            for (unsigned long i = 0; i < count; ++i)
                items.push_back(static_cast<unsigned long>(values[i]) & 0xFFFFFFFFul);
        }
        if (data != nullptr)
            freeData(data);
        return items;
    }

    /** Asks the window manager to close window, as its close button would. */
    void requestClose(Window window)
    {
        if (display == nullptr)
            return;
        XEvent event;
        std::memset(&event, 0, sizeof(event));
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = internAtom(display, "_NET_CLOSE_WINDOW", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = CurrentTime;
        event.xclient.data.l[1] = 2; // request from a pager-like tool
        sendEvent(display, rootWindow(), False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
        flush(display);
    }

private:
    template <typename Function>
    bool load(Function& function, const char* name)
    {
        function = reinterpret_cast<Function>(dlsym(library, name));
        return function != nullptr;
    }

    static int ignoreError(Display*, XErrorEvent*) { return 0; }

    Window rootWindow() const { return RootWindow(display, DefaultScreen(display)); }

    /** Each window that listIds answers, described. */
    std::vector<ClientWindow> describeAll(std::vector<Window> (X11Probe::*listIds)())
    {
        std::vector<ClientWindow> result;
        if (display == nullptr)
            return result;
        sync(display, False);
        for (Window id : (this->*listIds)())
            result.push_back(describe(id));
        return result;
    }

    ClientWindow describe(Window id)
    {
        ClientWindow window;
        window.id = id;
        window.name = windowName(id);
        window.pid = windowPid(id);
        XWindowAttributes attributes;
        std::memset(&attributes, 0, sizeof(attributes));
        if (getWindowAttributes(display, id, &attributes) != 0)
        {
            window.x = attributes.x;
            window.y = attributes.y;
            window.width = attributes.width;
            window.height = attributes.height;
            window.viewable = attributes.map_state == IsViewable;
            window.overrideRedirect = attributes.override_redirect != 0;
        }
        return window;
    }

    std::vector<Window> managedWindowIds()
    {
        std::vector<Window> ids;
        const Atom clientList = internAtom(display, "_NET_CLIENT_LIST", False);
        Atom actualType = 0;
        int actualFormat = 0;
        unsigned long count = 0;
        unsigned long remaining = 0;
        unsigned char* data = nullptr;
        if (getWindowProperty(display, rootWindow(), clientList, 0, 4096, False, XA_WINDOW, &actualType,
                              &actualFormat, &count, &remaining, &data)
                == Success
            && data != nullptr && actualFormat == 32)
        {
            const auto* windows = reinterpret_cast<const Window*>(data);
            ids.assign(windows, windows + count);
        }
        if (data != nullptr)
            freeData(data);
        if (! ids.empty())
            return ids;
        return rootChildren();
    }

    std::vector<Window> rootChildren()
    {
        std::vector<Window> ids;
        Window root = 0;
        Window parent = 0;
        Window* children = nullptr;
        unsigned int childCount = 0;
        if (queryTree(display, rootWindow(), &root, &parent, &children, &childCount) != 0 && children != nullptr)
        {
            ids.assign(children, children + childCount);
            freeData(children);
        }
        return ids;
    }

    std::string textProperty(Window window, const char* propertyName, Atom type)
    {
        Atom actualType = 0;
        int actualFormat = 0;
        unsigned long count = 0;
        unsigned long remaining = 0;
        unsigned char* data = nullptr;
        std::string text;
        if (getWindowProperty(display, window, internAtom(display, propertyName, False), 0, 1024, False, type,
                              &actualType, &actualFormat, &count, &remaining, &data)
                == Success
            && data != nullptr && actualFormat == 8)
            text.assign(reinterpret_cast<const char*>(data), count);
        if (data != nullptr)
            freeData(data);
        return text;
    }

    std::string windowName(Window window)
    {
        std::string name = textProperty(window, "_NET_WM_NAME", internAtom(display, "UTF8_STRING", False));
        return name.empty() ? textProperty(window, "WM_NAME", AnyPropertyType) : name;
    }

    long windowPid(Window window)
    {
        Atom actualType = 0;
        int actualFormat = 0;
        unsigned long count = 0;
        unsigned long remaining = 0;
        unsigned char* data = nullptr;
        long pid = -1;
        if (getWindowProperty(display, window, internAtom(display, "_NET_WM_PID", False), 0, 1, False,
                              XA_CARDINAL, &actualType, &actualFormat, &count, &remaining, &data)
                == Success
            && data != nullptr && actualFormat == 32 && count == 1)
            pid = *reinterpret_cast<const long*>(data);
        if (data != nullptr)
            freeData(data);
        return pid;
    }

    void* library = nullptr;
    Display* display = nullptr;

    Display* (*openDisplay)(const char*) = nullptr;
    int (*closeDisplay)(Display*) = nullptr;
    Atom (*internAtom)(Display*, const char*, Bool) = nullptr;
    int (*getWindowProperty)(Display*, Window, Atom, long, long, Bool, Atom, Atom*, int*, unsigned long*,
                             unsigned long*, unsigned char**) = nullptr;
    int (*freeData)(void*) = nullptr;
    Status (*getWindowAttributes)(Display*, Window, XWindowAttributes*) = nullptr;
    Status (*sendEvent)(Display*, Window, Bool, long, XEvent*) = nullptr;
    int (*flush)(Display*) = nullptr;
    int (*sync)(Display*, Bool) = nullptr;
    Status (*queryTree)(Display*, Window, Window*, Window*, Window**, unsigned int*) = nullptr;
    XErrorHandler (*setErrorHandler)(XErrorHandler) = nullptr;
};
} // namespace TestSupport
