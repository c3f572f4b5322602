// Where a top-level window stands, asked of the X server: the rectangle of the
// outermost window that holds it (its window manager's frame), in screen
// pixels, however deeply it is nested, and a clear refusal for a handle that
// names no window. The windows here are the test's own, placed without a
// window manager (override-redirect), so every place is exact; and one that
// the window manager is to frame but that is not shown yet, answered with the
// frame it will get.
#include "gui/PlatformWindowRect.h"

#include <gtest/gtest.h>

// After the test framework: Xlib defines macros (None, Bool) that clash with it.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstdint>
#include <cstdlib>
#include <ostream>
#include <vector>

// Found by argument lookup: RECT lives in the global namespace.
static bool operator==(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
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

    /** A window for the window manager to frame, at x, y, not shown. */
    Window addUnshown(int x, int y, unsigned int width, unsigned int height)
    {
        const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), x, y, width, height, 0, 0, 0);
        XSync(display, False);
        return window;
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

    /** Whether a window manager runs (it names its check window on the root). */
    bool hasWindowManager()
    {
        Atom type = 0;
        int format = 0;
        unsigned long count = 0;
        unsigned long remaining = 0;
        unsigned char* data = nullptr;
        const bool found = XGetWindowProperty(display, DefaultRootWindow(display),
                                              XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False), 0, 1, False,
                                              XA_WINDOW, &type, &format, &count, &remaining, &data)
                               == Success
                           && count == 1;
        if (data != nullptr)
            XFree(data);
        return found;
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
    TestDisplay x;
    REQUIRE_DISPLAY(x);
    const Window unshown = x.addUnshown(100, 80, 503, 603);
    const RECT rect = rectOf(unshown);
    int width = -1;
    int height = -1;
    EXPECT_TRUE(PlatformWindowRect::frameGrowth(handleOf(unshown), &width, &height));
    EXPECT_EQ(width, rect.right - rect.left - 503);
    EXPECT_EQ(height, rect.bottom - rect.top - 603);
    if (! x.hasWindowManager())
    {
        EXPECT_EQ(rect, (RECT {100, 80, 603, 683})) << "no window manager, no frame";
        return;
    }
    // The window manager was asked: the frame's corner goes where the window
    // stands, and the frame has a title bar and an edge.
    EXPECT_EQ(rect.left, 100);
    EXPECT_EQ(rect.top, 80);
    EXPECT_GT(rect.right - rect.left, 503);
    EXPECT_GT(rect.bottom - rect.top, 603 + 10);
    // The window itself is left alone: its owner learns its frame when the
    // window manager frames it.
    EXPECT_TRUE(x.frameExtents(unshown).empty());
    x.destroy(unshown);
}
