// Where the main window stood: kept in the preferences, put back on the main
// monitor at the next start.
#pragma once

#include "TIniFile.h"

#include <juce_gui_basics/juce_gui_basics.h>

/**
    The main window's place in the preferences: its position (and, when asked
    for, its size) in the keys "MainLeft", "MainTop", "MainWidth" and
    "MainHeight" of the section "Current", and the rule that puts a saved
    position back on the main monitor. A position of -1000 marks a window that
    was never placed: it is centred on the monitor's work area. Any other
    position is kept as long as at least two thirds of the window's width (and
    height) stay on that area; a window further off the left (top) edge snaps
    to that edge, one further off the right (bottom) edge flush to it.
*/
namespace WindowPosition
{
/** The section of the preferences that holds the window's place. */
constexpr const char* section = "Current";

/** The position that marks a window that was never placed. */
constexpr int centred = -1000;

/** Where a window of size on an area from areaStart, areaSize long, stands
    for the saved position saved (one axis of the rule). */
int placedCoordinate(int saved, int areaStart, int areaSize, int size);

/** The bounds of a w x h window saved at (x, y), placed on area. */
juce::Rectangle<int> placedBounds(const juce::Rectangle<int>& area, int x, int y, int w, int h);

/** The main monitor's work area (without the task bar); empty when the
    desktop knows no display. */
juce::Rectangle<int> mainMonitorArea();
} // namespace WindowPosition

/** Places the top-level window of component as ini remembers it, on the main
    monitor's work area, at the size w x h; a negative w or h keeps the
    window's own width or height. The saved position is that of the window's
    frame when the window manager gives it one (see saveWindowBounds), so the
    rule places the frame, with the frame's size as the window system tells it
    (the frame the window will get, when it is not shown yet); a window
    without a frame is placed with its own size. */
void restoreWindowPosition(juce::Component* component, Tr::TIniFile& ini, int width, int height);

/** Writes the position of component's top-level window and, withSize, its
    size. The position is that of the window's frame when the window manager
    gave it one, where restoring puts it back. */
void saveWindowBounds(juce::Component* component, Tr::TIniFile& ini, bool withSize);

/** Writes the position of component's top-level window, without the size. */
void saveWindowPosition(juce::Component* component, Tr::TIniFile& ini);
