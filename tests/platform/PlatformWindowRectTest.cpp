// Where a top-level window stands, asked of the X server: the rectangle of the
// outermost window that holds it (its window manager's frame), in screen
// pixels, however deeply it is nested, and a clear refusal for a handle that
// names no window. The windows here are the test's own, placed without a
// window manager (override-redirect), so every place is exact; and, on an X
// server of the test's own with a window manager, one that the window manager
// is to frame but that is not shown yet, answered with the frame it then
// gets, and answered at once with its own size when the window manager died.
#include "gui/PlatformWindowRect.h"

#include <gtest/gtest.h>

// After the test framework: Xlib defines macros (None, Bool) that clash with it.
#include "support/PrivateXServer.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdint>
#include <cstdlib>
#include <ostream>
#include <vector>

// Found by argument lookup: RECT lives in the global namespace.
static bool operator==(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

static bool operator!=(const RECT& a, const RECT& b)
{
    return !(a == b);
}

static void PrintTo(const RECT& r, std::ostream* os)
{
    *os << "{" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << "}";
}

namespace
{
/** A connection to the test's X display and windows made on it, destroyed with it. */
class TestDisplay
{
public:
    TestDisplay() : display(XOpenDisplay(nullptr)) {}
    ~TestDisplay()
    {
        if (display != nullptr)
            XCloseDisplay(display);
    }
    TestDisplay(const TestDisplay&) = delete;
    TestDisplay& operator=(const TestDisplay&) = delete;

    bool isOpen() const { return display != nullptr; }

    /** A window at x, y in parent (the root when 0), placed as asked. */
    Window add(Window parent, int x, int y, unsigned int width, unsigned int height, unsigned int border = 0)
    {
        XSetWindowAttributes attributes {};
        attributes.override_redirect = True;
        const Window window =
            XCreateWindow(display, parent != 0 ? parent : DefaultRootWindow(display), x, y, width, height, border,
                          CopyFromParent, InputOutput, CopyFromParent, CWOverrideRedirect, &attributes);
        XMapWindow(display, window);
        XSync(display, False);
        return window;
    }

    /** A window for the window manager to frame, at x, y, not shown; the
        place is the user's, which the window manager keeps. */
    Window addUnshown(int x, int y, unsigned int width, unsigned int height)
    {
        const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), x, y, width, height, 0, 0, 0);
        XSizeHints hints {};
        hints.flags = USPosition | PPosition;
        hints.x = x;
        hints.y = y;
        XSetWMNormalHints(display, window, &hints);
        XSync(display, False);
        return window;
    }

    /** Shows window; true once the window manager has framed it and shows it. */
    bool show(Window window)
    {
        XMapWindow(display, window);
        return TestSupport::waitFor(
            [this, window] {
                XWindowAttributes attributes {};
                XSync(display, False);
                return XGetWindowAttributes(display, window, &attributes) != 0
                       && attributes.map_state == IsViewable && !frameExtents(window).empty();
            },
            10000);
    }

    /** The outer rectangle of the window that holds window below the root. */
    RECT frameOf(Window window)
    {
        for (;;)
        {
            Window root = 0;
            Window parent = 0;
            Window* children = nullptr;
            unsigned int count = 0;
            if (XQueryTree(display, window, &root, &parent, &children, &count) == 0)
                return RECT {};
            if (children != nullptr)
                XFree(children);
            if (parent == root)
                break;
            window = parent;
        }
        Window root = 0;
        int x = 0;
        int y = 0;
        unsigned int width = 0;
        unsigned int height = 0;
        unsigned int border = 0;
        unsigned int depth = 0;
        XGetGeometry(display, window, &root, &x, &y, &width, &height, &border, &depth);
        return RECT {x, y, x + static_cast<LONG>(width + 2 * border), y + static_cast<LONG>(height + 2 * border)};
    }

    /** The window's _NET_FRAME_EXTENTS (left, right, top, bottom), empty without one. */
    std::vector<long> frameExtents(Window window)
    {
        Atom type = 0;
        int format = 0;
        unsigned long count = 0;
        unsigned long remaining = 0;
        unsigned char* data = nullptr;
        std::vector<long> extents;
        if (XGetWindowProperty(display, window, XInternAtom(display, "_NET_FRAME_EXTENTS", False), 0, 4, False,
                               XA_CARDINAL, &type, &format, &count, &remaining, &data)
                == Success
            && data != nullptr && format == 32 && count == 4)
            extents.assign(reinterpret_cast<long*>(data), reinterpret_cast<long*>(data) + 4);
        if (data != nullptr)
            XFree(data);
        return extents;
    }

    /** Makes the root name window as its window manager's check window. */
    void nameCheckWindow(Window window)
    {
        XChangeProperty(display, DefaultRootWindow(display), XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False),
                        XA_WINDOW, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&window), 1);
        XSync(display, False);
    }

    /** From now on, keeps the requests sent to the window manager through the root window. */
    void watchRequests()
    {
        XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
        XSync(display, False);
    }

    /** How many frame-extent requests went to the window manager since the last call. */
    int frameRequests()
    {
        XSync(display, False);
        const Atom request = XInternAtom(display, "_NET_REQUEST_FRAME_EXTENTS", False);
        int count = 0;
        XEvent event;
        while (XCheckTypedEvent(display, ClientMessage, &event))
            count += event.xclient.message_type == request ? 1 : 0;
        return count;
    }

    void destroy(Window window)
    {
        XDestroyWindow(display, window);
        XSync(display, False);
    }

    void move(Window window, int x, int y)
    {
        XMoveWindow(display, window, x, y);
        XSync(display, False);
    }

private:
    Display* display;
};

HWND handleOf(Window window)
{
    return reinterpret_cast<HWND>(static_cast<uintptr_t>(window));
}

RECT rectOf(Window window)
{
    RECT rect {-1, -1, -1, -1};
    EXPECT_TRUE(GetWindowRect(handleOf(window), &rect)) << "window " << window;
    return rect;
}

#define REQUIRE_DISPLAY(x)                                                                                          \
    do                                                                                                               \
    {                                                                                                                \
        if (std::getenv("DISPLAY") == nullptr)                                                                      \
            GTEST_SKIP() << "needs an X display (scripts/test starts one)";                                        \
        ASSERT_TRUE((x).isOpen()) << "the X display " << std::getenv("DISPLAY") << " cannot be opened";            \
    } while (0)

// The tests of a window manager run it on an X server of their own, so that
// they may take it away. Xvfb and openbox are there where scripts/test starts
// the test display.
#define REQUIRE_X_SERVER_PROGRAMS()                                                                                 \
    do                                                                                                               \
    {                                                                                                                \
        if (std::getenv("DISPLAY") == nullptr)                                                                      \
            GTEST_SKIP() << "needs Xvfb and openbox (scripts/test installs them and starts a display)";           \
    } while (0)

#define START_WINDOW_MANAGER(server)                                                                                \
    do                                                                                                               \
    {                                                                                                                \
        ASSERT_TRUE((server).running()) << "Xvfb did not start";                                                   \
        ASSERT_TRUE((server).startWindowManager()) << "openbox did not start on " << (server).name();             \
    } while (0)
} // namespace

TEST(PlatformWindowRect, AnswersTheOutermostHolderOfTheWindowAndFollowsItWhenItMoves)
{
    TestDisplay x;
    REQUIRE_DISPLAY(x);
    // A frame with a title bar holding a client, the way a window manager
    // holds the program's window; one more level inside it, as some add.
    const Window frame = x.add(0, 100, 80, 505, 624);
    const Window client = x.add(frame, 1, 20, 503, 603);
    const Window inner = x.add(client, 10, 10, 50, 50);
    const Window bordered = x.add(0, 10, 20, 50, 40, 2);

    EXPECT_EQ(rectOf(frame), (RECT {100, 80, 605, 704}));
    EXPECT_EQ(rectOf(client), (RECT {100, 80, 605, 704}));
    EXPECT_EQ(rectOf(inner), (RECT {100, 80, 605, 704}));
    EXPECT_EQ(rectOf(bordered), (RECT {10, 20, 64, 64}));
    // What the frame adds to the client's size.
    int width = -1;
    int height = -1;
    EXPECT_TRUE(PlatformWindowRect::frameGrowth(handleOf(client), &width, &height));
    EXPECT_EQ(width, 2);
    EXPECT_EQ(height, 21);

    // The client learns nothing when only its frame moves; the answer does.
    x.move(frame, -30, 200);
    EXPECT_EQ(rectOf(client), (RECT {-30, 200, 475, 824}));
}

TEST(PlatformWindowRect, RefusesAHandleThatNamesNoWindowAndLeavesTheRectAsItWas)
{
    TestDisplay x;
    REQUIRE_DISPLAY(x);
    const Window gone = x.add(0, 0, 0, 10, 10);
    x.destroy(gone);

    RECT rect {1, 2, 3, 4};
    EXPECT_FALSE(GetWindowRect(handleOf(gone), &rect));
    int width = -1;
    int height = -1;
    EXPECT_FALSE(PlatformWindowRect::frameGrowth(handleOf(gone), &width, &height));
    EXPECT_EQ(width, -1);
    EXPECT_EQ(rect, (RECT {1, 2, 3, 4}));
    EXPECT_FALSE(GetWindowRect(nullptr, &rect));
    EXPECT_FALSE(GetWindowRect(handleOf(x.add(0, 0, 0, 10, 10)), nullptr));
    // The process lives on, and a good window is answered after the refusal.
    EXPECT_EQ(rectOf(x.add(0, 5, 6, 7, 8)), (RECT {5, 6, 12, 14}));
}

TEST(PlatformWindowRect, AWindowNotShownYetIsAnsweredWithTheFrameTheWindowManagerWillGiveIt)
{
    REQUIRE_X_SERVER_PROGRAMS();
    TestSupport::PrivateXServer server;
    START_WINDOW_MANAGER(server);
    TestDisplay x;
    REQUIRE_DISPLAY(x);
    const Window unshown = x.addUnshown(100, 80, 503, 603);
    const RECT rect = rectOf(unshown);
    int width = -1;
    int height = -1;
    EXPECT_TRUE(PlatformWindowRect::frameGrowth(handleOf(unshown), &width, &height));
    // The window itself is left alone: its owner learns its frame when the
    // window manager frames it.
    EXPECT_TRUE(x.frameExtents(unshown).empty());

    // What the window manager then gives it: the frame where the window
    // stood, and the extents it tells the window's owner.
    ASSERT_TRUE(x.show(unshown)) << "the window manager did not frame the window";
    const std::vector<long> given = x.frameExtents(unshown);
    ASSERT_EQ(given.size(), 4u);
    EXPECT_GT(given[2], 10) << "openbox gives a title bar";
    EXPECT_EQ(width, given[0] + given[1]);
    EXPECT_EQ(height, given[2] + given[3]);
    EXPECT_EQ(rect, x.frameOf(unshown));
    EXPECT_EQ(rect, (RECT {100, 80, 603 + width, 683 + height}));
    x.destroy(unshown);
}

TEST(PlatformWindowRect, AWindowManagerThatIsGoneIsNotAskedForAFrame)
{
    REQUIRE_X_SERVER_PROGRAMS();
    TestSupport::PrivateXServer server;
    START_WINDOW_MANAGER(server);
    TestDisplay x;
    REQUIRE_DISPLAY(x);
    x.watchRequests();
    const Window unshown = x.addUnshown(100, 80, 503, 603);
    const RECT own {100, 80, 603, 683};
    EXPECT_NE(rectOf(unshown), own);
    EXPECT_EQ(x.frameRequests(), 1) << "a running window manager is asked";

    // It dies: the root still names its check window, which is gone.
    const Window check = server.checkWindow();
    ASSERT_TRUE(server.killWindowManager()) << "its check window did not go";
    ASSERT_EQ(server.checkWindow(), check);
    EXPECT_EQ(rectOf(unshown), own);
    int width = -1;
    int height = -1;
    EXPECT_TRUE(PlatformWindowRect::frameGrowth(handleOf(unshown), &width, &height));
    EXPECT_EQ(width, 0);
    EXPECT_EQ(height, 0);
    EXPECT_EQ(x.frameRequests(), 0) << "nobody is there to answer";

    // The root naming a window that is no check window (the dead one's id
    // given to another).
    const Window other = x.add(0, 0, 0, 10, 10);
    x.nameCheckWindow(other);
    EXPECT_EQ(rectOf(unshown), own);
    EXPECT_EQ(x.frameRequests(), 0);
}
