// Saving the main window's place and putting it back on the main monitor.
#include "WindowPosition.h"

#include "gui/PlatformWindowRect.h"

namespace
{
using WindowPosition::section;
const char* const leftKey = "MainLeft";
const char* const topKey = "MainTop";
const char* const widthKey = "MainWidth";
const char* const heightKey = "MainHeight";

/** Where the window manager puts a window asked to stand at a position: the
    outer corner of its frame goes there, and the window's own area (which the
    component's position tells) starts inside the frame. Saving this corner
    brings the window back to the same place; saving the component's position
    would move it by the frame's width and title bar at every start.

    The corner is asked of the window system: the toolkit's own record of the
    window's place can stay at the position the program asked for, with no
    further word from the window manager, while the window's own area stands
    inside a frame placed there (seen on a loaded machine: the record said
    100,80 for seconds, the frame stood at 100,80 and the window's area at
    101,100). Subtracting the frame's size from that record gave a corner a
    title bar's height too high, and the window crept up at every start. The
    toolkit's record serves only when the window system cannot answer. */
juce::Point<int> framePosition(const juce::Component& top)
{
    juce::Point<int> position = top.getPosition();
    const juce::ComponentPeer* peer = top.getPeer();
    if (peer == nullptr)
        return position;
    RECT outer {};
    if (GetWindowRect(static_cast<HWND>(peer->getNativeHandle()), &outer))
        return juce::Desktop::getInstance().getDisplays().physicalToLogical(juce::Point<int>(outer.left, outer.top));
    if (const auto frame = peer->getFrameSizeIfPresent())
        position -= juce::Point<int>((*frame).getLeft(), (*frame).getTop());
    return position;
}

/** How much the window manager's frame adds to the size of top's window, as
    the window system tells it (for a window not shown yet: the frame it will
    get); nothing for a component that is not on the desktop. */
juce::Point<int> frameGrowth(const juce::Component& top)
{
    juce::ComponentPeer* peer = top.getPeer();
    if (peer == nullptr)
        return {};
    // The toolkit queues its requests to the X server, and a question of its
    // own sends them: the server then has the window's properties (those that
    // decide its frame among them) as the toolkit set them.
    static_cast<void>(peer->isMinimised());
    int width = 0;
    int height = 0;
    if (!PlatformWindowRect::frameGrowth(static_cast<HWND>(peer->getNativeHandle()), &width, &height))
        return {};
    // Physical pixels to the desktop's logical ones.
    const auto* display = juce::Desktop::getInstance().getDisplays().getPrimaryDisplay();
    const double scale = display != nullptr ? display->scale : 1.0;
    return {juce::roundToInt(width / scale), juce::roundToInt(height / scale)};
}

/** The position to give top so that its frame's corner lands on corner: the
    toolkit places the frame by the frame's edges as far as it knows them,
    and the window manager puts the corner where a window that it has not
    framed yet was placed. */
juce::Point<int> positionForFrameCorner(const juce::Component& top, juce::Point<int> corner)
{
    if (const juce::ComponentPeer* peer = top.getPeer())
        if (const auto frame = peer->getFrameSizeIfPresent())
            return corner + juce::Point<int>((*frame).getLeft(), (*frame).getTop());
    return corner;
}
} // namespace

namespace WindowPosition
{
int placedCoordinate(int saved, int areaStart, int areaSize, int size)
{
    if (saved == centred)
        return areaStart + areaSize / 2 - size / 2;
    if (saved < areaStart - size / 3)
        return areaStart;
    if (saved > areaStart + areaSize - size / 3)
        return areaStart + areaSize - size;
    return saved;
}

juce::Rectangle<int> placedBounds(const juce::Rectangle<int>& area, int x, int y, int w, int h)
{
    return {placedCoordinate(x, area.getX(), area.getWidth(), w), placedCoordinate(y, area.getY(), area.getHeight(), h),
            w, h};
}

juce::Rectangle<int> mainMonitorArea()
{
    const juce::Displays::Display* display = juce::Desktop::getInstance().getDisplays().getPrimaryDisplay();
    return display != nullptr ? display->userArea : juce::Rectangle<int>();
}
} // namespace WindowPosition

void restoreWindowPosition(juce::Component* component, Tr::TIniFile& ini, int width, int height)
{
    if (component == nullptr)
        return;
    juce::Component* top = component->getTopLevelComponent();
    const int x = ini.readInteger(section, leftKey, WindowPosition::centred);
    const int y = ini.readInteger(section, topKey, WindowPosition::centred);
    if (width < 0)
        width = top->getWidth();
    if (height < 0)
        height = top->getHeight();
    // The saved position is the frame's corner, so the rule places the frame:
    // a window snapped to the right or bottom edge has its frame flush with it.
    const juce::Point<int> growth = frameGrowth(*top);
    const juce::Rectangle<int> frame = WindowPosition::placedBounds(WindowPosition::mainMonitorArea(), x, y,
                                                                    width + growth.x, height + growth.y);
    const juce::Point<int> position = positionForFrameCorner(*top, frame.getPosition());
    top->setBounds(position.x, position.y, width, height);
}

void saveWindowBounds(juce::Component* component, Tr::TIniFile& ini, bool withSize)
{
    if (component == nullptr)
        return;
    const juce::Component* top = component->getTopLevelComponent();
    const juce::Point<int> position = framePosition(*top);
    ini.writeInteger(section, leftKey, position.x);
    ini.writeInteger(section, topKey, position.y);
    if (withSize)
    {
        ini.writeInteger(section, widthKey, top->getWidth());
        ini.writeInteger(section, heightKey, top->getHeight());
    }
}

void saveWindowPosition(juce::Component* component, Tr::TIniFile& ini)
{
    saveWindowBounds(component, ini, false);
}
