// The run-length drawable: the same pixels as the image it came from, whole
// or through a clip at an offset, and the images it refuses.
#include "BContentBase.h"
#include "RunLengthImage.h"

#include <gtest/gtest.h>

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>
#include <memory>
#include <string>

namespace
{
using Paint = std::function<void(juce::Graphics&)>;

juce::Image backgroundFromSourceTree()
{
    return juce::ImageFileFormat::loadFrom(juce::File(VASKOR_SOURCE_DIR).getChildFile("resources/background.png"));
}

/** A small drawing with what the background has: a gradient, panels, runs
    of one pixel at both edges of a row, and a last row of one colour. */
juce::Image panelsOnAGradient()
{
    juce::Image image(juce::Image::RGB, 37, 23, true);
    juce::Graphics g(image);
    g.setGradientFill(juce::ColourGradient::vertical(juce::Colours::lightsteelblue, 0.0f, juce::Colours::slategrey, 23.0f));
    g.fillAll();
    g.setColour(juce::Colours::whitesmoke);
    g.fillRoundedRectangle(3.5f, 2.5f, 30.0f, 12.0f, 4.0f);
    image.setPixelAt(0, 5, juce::Colours::red);
    image.setPixelAt(36, 5, juce::Colours::blue);
    for (int x = 0; x < 37; ++x)
        image.setPixelAt(x, 22, juce::Colours::black);
    return image;
}

/** What paint draws into a canvas of that size, on a background of its own. */
juce::Image canvas(int width, int height, const Paint& paint)
{
    juce::Image image(juce::Image::RGB, width, height, true);
    juce::Graphics g(image);
    g.fillAll(juce::Colours::magenta);
    paint(g);
    return image;
}

/** The first pixel where a and b differ, or "" when none does. */
std::string firstDifference(const juce::Image& a, const juce::Image& b)
{
    for (int y = 0; y < a.getHeight(); ++y)
        for (int x = 0; x < a.getWidth(); ++x)
            if (a.getPixelAt(x, y) != b.getPixelAt(x, y))
                return std::to_string(x) + "," + std::to_string(y) + ": " +
                       a.getPixelAt(x, y).toDisplayString(true).toStdString() + " against " +
                       b.getPixelAt(x, y).toDisplayString(true).toStdString();
    return "";
}
} // namespace

TEST(RunLengthImage, DrawsTheImagesPixelsWholeAndThroughAClipAtAnOffset)
{
    const juce::ScopedJuceInitialiser_GUI gui;
    for (const juce::Image& image : {backgroundFromSourceTree(), panelsOnAGradient()})
    {
        ASSERT_TRUE(image.isValid());
        const auto lean = RunLengthImage::fromImage(image);
        ASSERT_NE(lean, nullptr);
        const int w = image.getWidth() + 20;
        const int h = image.getHeight() + 20;
        SCOPED_TRACE(std::to_string(image.getWidth()) + " x " + std::to_string(image.getHeight()));

        EXPECT_EQ(firstDifference(canvas(w, h, [&](juce::Graphics& g) { lean->draw(g, 1.0f); }),
                                  canvas(w, h, [&](juce::Graphics& g) { g.drawImageAt(image, 0, 0); })),
                  "");
        // As a repaint of part of the window draws it: moved, and clipped
        // across runs and rows.
        const auto clipped = [&](const Paint& paint) {
            return canvas(w, h, [&](juce::Graphics& g) {
                g.reduceClipRegion(9, 4, image.getWidth() / 2, image.getHeight() / 3);
                g.setOrigin(7, 3);
                paint(g);
            });
        };
        EXPECT_EQ(firstDifference(clipped([&](juce::Graphics& g) { lean->draw(g, 1.0f); }),
                                  clipped([&](juce::Graphics& g) { g.drawImageAt(image, 0, 0); })),
                  "");
        EXPECT_EQ(lean->getDrawableBounds(), image.getBounds().toFloat());
        EXPECT_EQ(lean->createCopy()->getDrawableBounds(), image.getBounds().toFloat());
    }
}

TEST(RunLengthImage, RefusesAnImageThatIsNotOpaqueOrDoesNotShrink)
{
    const juce::ScopedJuceInitialiser_GUI gui;
    juce::Image seeThrough = panelsOnAGradient().convertedToFormat(juce::Image::ARGB);
    EXPECT_NE(RunLengthImage::fromImage(seeThrough), nullptr) << "opaque, though with an alpha channel";
    seeThrough.setPixelAt(36, 22, juce::Colours::black.withAlpha(0.5f));
    EXPECT_EQ(RunLengthImage::fromImage(seeThrough), nullptr);

    juce::Image noise(juce::Image::RGB, 64, 16, false);
    juce::Random random(7);
    for (int y = 0; y < noise.getHeight(); ++y)
        for (int x = 0; x < noise.getWidth(); ++x)
            noise.setPixelAt(x, y, juce::Colour(static_cast<juce::uint32>(random.nextInt()) | 0xff000000u));
    EXPECT_EQ(RunLengthImage::fromImage(noise), nullptr);
    EXPECT_EQ(RunLengthImage::fromImage(juce::Image()), nullptr);
}

TEST(RunLengthImage, TheBackgroundResourceLoadsAsRunsOfAFewPerCentOfItsPixels)
{
    const juce::ScopedJuceInitialiser_GUI gui;
    const std::unique_ptr<juce::Drawable> background = loadResourceImage("background.png");
    const auto* lean = dynamic_cast<const RunLengthImage*>(background.get());
    ASSERT_NE(lean, nullptr);
    EXPECT_LT(lean->runCount() * 8, 503u * 603u * 3u / 10u);
}
