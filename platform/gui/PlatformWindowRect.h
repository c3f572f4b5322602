// Where a top-level window stands on the screen, as the window system has it.
#pragma once

#include "PlatformTypes.h"

/**
    The bounding rectangle of the native top-level window (the toolkit's
    window handle), its window manager's frame included, in screen pixels:
    the outermost window that holds it on the screen. Asked of the X server
    over a connection of its own, so that it tells where the window is now,
    whatever the toolkit has learned of it so far. Returns FALSE, leaving rect
    as it was, when the display cannot be reached or window is no window.
    Call it from the thread that drives the windows (it swaps libX11's
    process-wide error handler for the call).
*/
BOOL WINAPI GetWindowRect(HWND window, LPRECT rect);
