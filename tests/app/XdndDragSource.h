// A drag source that speaks the X drag-and-drop protocol (XDND), for tests
// that drop files onto a real window the way a file manager does.
// libX11 is loaded at run time, as the toolkit does.
#pragma once

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <dlfcn.h>

#include <string>

namespace TestSupport
{
/**
    Drags a list of URIs ("file:///...") from a window of its own onto a
    target window over its own connection to the display of DISPLAY:
    XdndEnter and XdndPosition, XdndDrop once the target accepted, the data
    when the target asks for the selection, and the end at XdndFinished.
    The test calls pump() between turns of the toolkit's message loop.
*/
class XdndDragSource
{
public:
    XdndDragSource()
    {
        library = dlopen("libX11.so.6", RTLD_LAZY | RTLD_LOCAL);
        if (library == nullptr)
            return;
        if (!(load(openDisplay, "XOpenDisplay") && load(closeDisplay, "XCloseDisplay")
              && load(internAtom, "XInternAtom") && load(defaultRootWindow, "XDefaultRootWindow")
              && load(createSimpleWindow, "XCreateSimpleWindow") && load(destroyWindow, "XDestroyWindow")
              && load(setSelectionOwner, "XSetSelectionOwner") && load(changeProperty, "XChangeProperty")
              && load(sendEvent, "XSendEvent") && load(flush, "XFlush") && load(pending, "XPending")
              && load(nextEvent, "XNextEvent")))
            return;
        display = openDisplay(nullptr);
        if (display == nullptr)
            return;
        source = createSimpleWindow(display, defaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
        xdndSelection = atom("XdndSelection");
        xdndEnter = atom("XdndEnter");
        xdndPosition = atom("XdndPosition");
        xdndStatus = atom("XdndStatus");
        xdndDrop = atom("XdndDrop");
        xdndFinished = atom("XdndFinished");
        xdndActionCopy = atom("XdndActionCopy");
        uriList = atom("text/uri-list");
    }

    ~XdndDragSource()
    {
        if (display != nullptr)
        {
            destroyWindow(display, source);
            closeDisplay(display);
        }
        if (library != nullptr)
            dlclose(library);
    }

    XdndDragSource(const XdndDragSource&) = delete;
    XdndDragSource& operator=(const XdndDragSource&) = delete;

    bool isOpen() const { return display != nullptr; }

    /** Starts the drag of uris (lines ending in CR LF) over target at the
        screen position (rootX, rootY). */
    void begin(unsigned long targetWindow, int rootX, int rootY, const std::string& uris)
    {
        target = static_cast<Window>(targetWindow);
        data = uris;
        where = (static_cast<long>(rootX) << 16) | (rootY & 0xffff);
        setSelectionOwner(display, xdndSelection, source, CurrentTime);
        enterAndMove();
    }

    /** Handles what the target sent since the last call. A target that has
        not answered for a while is told again that the drag is over it, as a
        moving pointer would, so that one lost turn does not end the drag. */
    void pump()
    {
        while (pending(display) > 0)
        {
            XEvent event;
            nextEvent(display, &event);
            if (event.type == ClientMessage && event.xclient.message_type == xdndStatus)
                onStatus(event);
            else if (event.type == ClientMessage && event.xclient.message_type == xdndFinished)
                finished = true;
            else if (event.type == SelectionRequest)
                onSelectionRequest(event.xselectionrequest);
        }
        if (!answered && ++unansweredPumps % pumpsBeforeRepeat == 0)
            enterAndMove();
    }

    /** The target accepted the drop at the position. */
    bool accepted = false;
    /** The target fetched the data at least once. */
    bool dataSent = false;
    /** The target said that it is done with the drop. */
    bool finished = false;

private:
    static constexpr unsigned long protocolVersion = 3;
    static constexpr int pumpsBeforeRepeat = 20;

    void enterAndMove()
    {
        XEvent enter = clientMessage(xdndEnter);
        enter.xclient.data.l[1] = static_cast<long>(protocolVersion) << 24;
        enter.xclient.data.l[2] = static_cast<long>(uriList);
        send(enter);

        XEvent position = clientMessage(xdndPosition);
        position.xclient.data.l[2] = where;
        position.xclient.data.l[3] = CurrentTime;
        position.xclient.data.l[4] = static_cast<long>(xdndActionCopy);
        send(position);
    }

    template <typename Function>
    bool load(Function& function, const char* name)
    {
        function = reinterpret_cast<Function>(dlsym(library, name));
        return function != nullptr;
    }

    Atom atom(const char* name) { return internAtom(display, name, False); }

    XEvent clientMessage(Atom type) const
    {
        XEvent event {};
        event.xclient.type = ClientMessage;
        event.xclient.display = display;
        event.xclient.window = target;
        event.xclient.message_type = type;
        event.xclient.format = 32;
        event.xclient.data.l[0] = static_cast<long>(source);
        return event;
    }

    void send(XEvent& event)
    {
        sendEvent(display, target, False, NoEventMask, &event);
        flush(display);
    }

    void onStatus(const XEvent& status)
    {
        answered = true;
        accepted = (status.xclient.data.l[1] & 1) != 0;
        if (accepted && !dropSent)
        {
            dropSent = true;
            XEvent drop = clientMessage(xdndDrop);
            drop.xclient.data.l[2] = CurrentTime;
            send(drop);
        }
    }

    void onSelectionRequest(const XSelectionRequestEvent& request)
    {
        XEvent reply {};
        reply.xselection.type = SelectionNotify;
        reply.xselection.display = display;
        reply.xselection.requestor = request.requestor;
        reply.xselection.selection = request.selection;
        reply.xselection.target = request.target;
        reply.xselection.time = request.time;
        reply.xselection.property = None;
        if (request.selection == xdndSelection && request.property != None)
        {
            changeProperty(display, request.requestor, request.property, request.target, 8, PropModeReplace,
                           reinterpret_cast<const unsigned char*>(data.data()), static_cast<int>(data.size()));
            reply.xselection.property = request.property;
            dataSent = true;
        }
        sendEvent(display, request.requestor, False, NoEventMask, &reply);
        flush(display);
    }

    void* library = nullptr;
    Display* display = nullptr;
    Window source = 0;
    Window target = 0;
    std::string data;
    long where = 0;
    bool answered = false;
    int unansweredPumps = 0;
    bool dropSent = false;

    Atom xdndSelection = 0, xdndEnter = 0, xdndPosition = 0, xdndStatus = 0, xdndDrop = 0,
         xdndFinished = 0, xdndActionCopy = 0, uriList = 0;

    Display* (*openDisplay)(const char*) = nullptr;
    int (*closeDisplay)(Display*) = nullptr;
    Atom (*internAtom)(Display*, const char*, Bool) = nullptr;
    Window (*defaultRootWindow)(Display*) = nullptr;
    Window (*createSimpleWindow)(Display*, Window, int, int, unsigned int, unsigned int, unsigned int,
                                 unsigned long, unsigned long) = nullptr;
    int (*destroyWindow)(Display*, Window) = nullptr;
    int (*setSelectionOwner)(Display*, Atom, Window, Time) = nullptr;
    int (*changeProperty)(Display*, Window, Atom, Atom, int, int, const unsigned char*, int) = nullptr;
    Status (*sendEvent)(Display*, Window, Bool, long, XEvent*) = nullptr;
    int (*flush)(Display*) = nullptr;
    int (*pending)(Display*) = nullptr;
    int (*nextEvent)(Display*, XEvent*) = nullptr;
};
} // namespace TestSupport
