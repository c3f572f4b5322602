// An X server of a test's own (Xvfb) with a window manager (openbox) that the
// test may take away as a crash would, both started and stopped by process id.
// Include it after the test framework: Xlib defines macros (None, Bool) that
// clash with it.
#pragma once

#include "WaitFor.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace TestSupport
{
/** Xvfb on a display it picks itself, the process's DISPLAY until it is
    destroyed (then the display before it is the default again). A window
    manager runs on it once startWindowManager is called. */
class PrivateXServer
{
public:
    PrivateXServer()
    {
        const char* before = std::getenv("DISPLAY");
        hadDisplay_ = before != nullptr;
        displayBefore_ = hadDisplay_ ? before : "";
        startServer();
        if (!name_.empty())
            ::setenv("DISPLAY", name_.c_str(), 1);
    }

    ~PrivateXServer()
    {
        if (connection_ != nullptr)
            XCloseDisplay(connection_);
        stop(windowManager_, SIGTERM);
        stop(server_, SIGTERM);
        if (hadDisplay_)
            ::setenv("DISPLAY", displayBefore_.c_str(), 1);
        else
            ::unsetenv("DISPLAY");
    }

    PrivateXServer(const PrivateXServer&) = delete;
    PrivateXServer& operator=(const PrivateXServer&) = delete;

    /** Whether the server runs and answers on its display. */
    bool running() const { return connection_ != nullptr; }

    /** ":<number>". */
    const std::string& name() const { return name_; }

    /** Starts openbox; true once it has started (within 10 s). */
    bool startWindowManager()
    {
        if (!running())
            return false;
        const char* arguments[] = {"openbox", nullptr};
        windowManager_ = spawn(arguments);
        return windowManager_ > 0 && connection_ != nullptr && answersFrameRequests(connection_);
    }

    /** Ends the window manager at once (SIGKILL), as a crash does: what it
        wrote on the root window stays there, since other clients keep the
        server up. Returns once the server has let go of its windows. */
    bool killWindowManager()
    {
        const Window check = checkWindow();
        stop(windowManager_, SIGKILL);
        return check != 0 && waitFor([this, check] { return !isTopLevel(connection_, check); }, 10000);
    }

    /** The window manager's check window that the root window names, 0 when none. */
    Window checkWindow() const { return running() ? checkWindowOf(connection_) : 0; }

private:
    /** Starts Xvfb and reads the display it picked (it tells it once it
        accepts connections). */
    void startServer()
    {
        int told[2] = {-1, -1};
        if (::pipe2(told, O_CLOEXEC) != 0)
            return;
        // The server writes to the end it inherits; its number is passed on.
        const int writeEnd = ::fcntl(told[1], F_DUPFD, 10);
        ::close(told[1]);
        const std::string fd = std::to_string(writeEnd);
        const char* arguments[] = {"Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-nolisten",
                                   "tcp", nullptr};
        server_ = writeEnd >= 0 ? spawn(arguments) : -1;
        if (writeEnd >= 0)
            ::close(writeEnd);
        const std::string number = server_ > 0 ? readLine(told[0], 10000) : "";
        ::close(told[0]);
        if (!number.empty())
            name_ = ":" + number;
        connection_ = name_.empty() ? nullptr : XOpenDisplay(name_.c_str());
    }

    /** The first line written to fd within limitMs, without its end. */
    static std::string readLine(int fd, int limitMs)
    {
        std::string line;
        pollfd ready {fd, POLLIN, 0};
        char c = 0;
        while (::poll(&ready, 1, limitMs) == 1 && ::read(fd, &c, 1) == 1 && c != '\n')
            line += c;
        return line;
    }

    /** Starts a program found on the PATH, its output discarded. */
    static pid_t spawn(const char* const* arguments)
    {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        pid_t pid = -1;
        if (posix_spawnp(&pid, arguments[0], &actions, nullptr, const_cast<char* const*>(arguments), environ) != 0)
            pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        return pid;
    }

    static void stop(pid_t& pid, int signal)
    {
        if (pid <= 0)
            return;
        ::kill(pid, signal);
        ::waitpid(pid, nullptr, 0);
        pid = -1;
    }

    /** Whether the window manager has started: it answers a request for
        the frame of a window of display (asked again every 50 ms: openbox
        was seen not to answer a request made soon after it had named
        itself on the root window and listed the windows it manages). */
    static bool answersFrameRequests(Display* display)
    {
        const Window probe = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
        const Atom extents = XInternAtom(display, "_NET_FRAME_EXTENTS", False);
        XEvent event {};
        event.xclient.type = ClientMessage;
        event.xclient.window = probe;
        event.xclient.message_type = XInternAtom(display, "_NET_REQUEST_FRAME_EXTENTS", False);
        event.xclient.format = 32;
        bool answered = false;
        for (int i = 0; i < 200 && !answered; ++i)
        {
            XSendEvent(display, DefaultRootWindow(display), False, SubstructureRedirectMask | SubstructureNotifyMask,
                       &event);
            XSync(display, False);
            answered = waitFor([&] { return hasProperty(display, probe, extents); }, 50);
        }
        return answered;
    }

    static Window checkWindowOf(Display* display)
    {
        Atom type = 0;
        int format = 0;
        unsigned long count = 0;
        unsigned long remaining = 0;
        unsigned char* data = nullptr;
        Window named = 0;
        if (XGetWindowProperty(display, DefaultRootWindow(display),
                               XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False), 0, 1, False, XA_WINDOW, &type,
                               &format, &count, &remaining, &data)
                == Success
            && data != nullptr && format == 32 && count == 1)
            named = static_cast<Window>(*reinterpret_cast<long*>(data));
        if (data != nullptr)
            XFree(data);
        return named;
    }

    /** Whether window stands directly below the root window (as check windows do). */
    static bool isTopLevel(Display* display, Window window)
    {
        Window root = 0;
        Window parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        bool found = false;
        if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count) != 0)
            for (unsigned int i = 0; i < count; ++i)
                found = found || children[i] == window;
        if (children != nullptr)
            XFree(children);
        return found;
    }

    static bool hasProperty(Display* display, Window window, Atom property)
    {
        Atom type = 0;
        int format = 0;
        unsigned long count = 0;
        unsigned long remaining = 0;
        unsigned char* data = nullptr;
        const bool found = XGetWindowProperty(display, window, property, 0, 1, False, AnyPropertyType, &type,
                                              &format, &count, &remaining, &data)
                               == Success
                           && type != 0;
        if (data != nullptr)
            XFree(data);
        return found;
    }

    bool hadDisplay_ = false;
    std::string displayBefore_;
    std::string name_;
    pid_t server_ = -1;
    pid_t windowManager_ = -1;
    // Kept open while the server runs: it keeps the server up when the window
    // manager goes, and the ids of its windows are never given to another
    // client's (a late answer about its probe window goes to no test window).
    Display* connection_ = nullptr;
};
} // namespace TestSupport
