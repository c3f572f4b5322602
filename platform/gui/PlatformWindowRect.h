// Where a top-level window stands on the screen and how large its own area
// is, as the window system has it.
#pragma once

#include "PlatformTypes.h"

/**
    The bounding rectangle of the native top-level window (the toolkit's
    window handle), its window manager's frame included, in screen pixels:
    the outermost window that holds it on the screen. Asked of the X server
    over a connection of its own, so that it tells where the window is now,
    whatever the toolkit has learned of it so far.

    A window that is not shown yet has no frame; as on other window systems,
    where a window has its frame before it is shown, the answer is the
    rectangle that the frame will take once the window is shown where it
    stands now: the window manager puts the frame's corner at the window's
    place, and the frame's size is the window's with the frame's extents, which
    the window manager tells (_NET_FRAME_EXTENTS, asked for with
    _NET_REQUEST_FRAME_EXTENTS about a stand-in with the window's frame
    properties, so that the window itself stays untouched, and waited for at
    most half a second). Without a running window manager that tells them
    (one that died leaves its name on the root window: it is asked nothing),
    the window's own rectangle at once.

    Returns FALSE, leaving rect
    as it was, when the display cannot be reached or window is no window.
    Call it from the thread that drives the windows (it swaps libX11's
    process-wide error handler for the call).
*/
BOOL WINAPI GetWindowRect(HWND window, LPRECT rect);


namespace PlatformWindowRect
{
/** How much the window manager's frame adds to the native window's own
    width and height: the frame it has or, for a window not shown yet, the
    frame it will get (see GetWindowRect). Both sizes are taken in one look
    at the window, so that they tell the same moment even while the window's
    owner is still resizing it. false, with nothing written, when the display
    cannot be reached or window is no window. */
bool frameGrowth(HWND window, int* width, int* height);
} // namespace PlatformWindowRect
