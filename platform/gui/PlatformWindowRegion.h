// Window shapes: the rounded-rectangle region a frameless window can be cut to.
#pragma once

#include "PlatformTypes.h"

/**
    A rounded rectangle: the corners of its bounding box (right and bottom
    exclusive) and the size of the ellipses that round its corners.
*/
struct PlatformRegion
{
    int left;
    int top;
    int right;
    int bottom;
    int ellipseWidth;
    int ellipseHeight;
};

/** A new rounded-rectangle region; owned by the caller until SetWindowRgn takes it. */
HRGN WINAPI CreateRoundRectRgn(int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight);

/**
    Gives window the shape region (null removes the shape). The window takes
    ownership of the region. Here the shape is recorded on the window; the
    native window itself keeps its rectangle. Returns nonzero on success.
*/
int WINAPI SetWindowRgn(HWND window, HRGN region, BOOL redraw);

/** Frees a region that no window took. */
BOOL WINAPI DeleteObject(HRGN region);

/** The shape recorded for window, if any: copies it to out and returns true. */
bool platformGetWindowRegion(HWND window, PlatformRegion* out);
