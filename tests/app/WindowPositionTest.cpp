// The main window's place in the preferences: the rule that puts a saved
// position back on the main monitor's work area, restoring through the real
// desktop (under X), and what is written.
#include "WindowPosition.h"

#include "support/TStringListLines.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
// The background's size, which the main panel passes.
constexpr int width = 503;
constexpr int height = 603;

std::string describe(const juce::Rectangle<int>& r)
{
    return r.toString().toStdString();
}
} // namespace

TEST(WindowPosition, KeepsTwoThirdsOfTheWindowOnTheAreaAndCentresOneNeverPlaced)
{
    const juce::Rectangle<int> screen(0, 0, 1280, 1024);
    const juce::Rectangle<int> offset(100, 50, 1000, 700);
    const juce::Rectangle<int> leftOfMain(-1280, -24, 1280, 1024);
    const struct
    {
        juce::Rectangle<int> area;
        int x, y;
        int expectedX, expectedY;
    } cases[] = {
        // x on a 1280-wide area: a third of the width is 167.
        {screen, -100, 0, -100, 0},
        {screen, -167, 0, -167, 0},
        {screen, -168, 0, 0, 0},
        {screen, -200, 0, 0, 0},
        {screen, 1100, 0, 1100, 0},
        {screen, 1113, 0, 1113, 0},
        {screen, 1114, 0, 777, 0},
        {screen, 1200, 0, 777, 0},
        // y on a 1024-high area: a third of the height is 201.
        {screen, 0, -201, 0, -201},
        {screen, 0, -202, 0, 0},
        {screen, 0, 823, 0, 823},
        {screen, 0, 824, 0, 421},
        // Never placed: centred, 503 / 2 and 603 / 2 truncated.
        {screen, -1000, -1000, 389, 211},
        // The same rule from an area's own edges.
        {offset, -1000, -1000, 349, 99},
        {offset, -68, -152, 100, 50},
        {offset, 934, 550, 597, 147},
        {leftOfMain, -1000, -1000, -891, 187},
        {leftOfMain, 100, -300, -503, -24},
    };
    for (const auto& c : cases)
    {
        const auto placed = WindowPosition::placedBounds(c.area, c.x, c.y, width, height);
        EXPECT_EQ(placed, juce::Rectangle<int>(c.expectedX, c.expectedY, width, height))
            << "saved at " << c.x << ", " << c.y << " on " << describe(c.area) << ": " << describe(placed);
    }
}

TEST(WindowPosition, RestoringPlacesTheTopLevelComponentOnTheMainMonitorsWorkArea)
{
    juce::ScopedJuceInitialiser_GUI gui;
    const juce::Rectangle<int> area = WindowPosition::mainMonitorArea();
    ASSERT_FALSE(area.isEmpty()) << "the desktop knows no display";

    juce::Component top;
    juce::Component child;
    top.addAndMakeVisible(child);
    top.setBounds(10, 20, 300, 200);
    child.setBounds(5, 5, 50, 50);

    // Too far left snaps to the left edge; no "MainTop" centres.
    Tr::TIniFile ini;
    ini.writeString("Current", "MainLeft", "-10000");
    restoreWindowPosition(&child, ini, width, height);
    EXPECT_EQ(top.getBounds(),
              juce::Rectangle<int>(area.getX(), area.getY() + area.getHeight() / 2 - 301, width, height));
    EXPECT_EQ(child.getBounds(), juce::Rectangle<int>(5, 5, 50, 50));

    // A negative size keeps the window's own; a "MainTop" that is no number reads as 0.
    ini.writeString("Current", "MainLeft", std::to_string(area.getX() + 40).c_str());
    ini.writeString("Current", "MainTop", "top");
    restoreWindowPosition(&top, ini, -1, -1);
    EXPECT_EQ(top.getBounds(), WindowPosition::placedBounds(area, area.getX() + 40, 0, width, height));
}

TEST(WindowPosition, WritesTheTopLevelPositionAndTheSizeOnlyWhenAskedFor)
{
    juce::ScopedJuceInitialiser_GUI gui;
    juce::Component top;
    juce::Component child;
    top.addAndMakeVisible(child);
    top.setBounds(-120, 80, 300, 200);
    child.setBounds(5, 6, 50, 50);

    Tr::TIniFile positionOnly;
    saveWindowPosition(&child, positionOnly);
    EXPECT_EQ(TestSupport::linesOf(positionOnly.getSection("Current")),
              (std::vector<std::string> {"MainLeft=-120", "MainTop=80"}));

    Tr::TIniFile withSize;
    saveWindowBounds(&child, withSize, true);
    EXPECT_EQ(TestSupport::linesOf(withSize.getSection("Current")),
              (std::vector<std::string> {"MainLeft=-120", "MainTop=80", "MainWidth=300", "MainHeight=200"}));
}
