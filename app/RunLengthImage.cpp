#include "RunLengthImage.h"

#include <limits>

namespace
{
/** Each run costs a little more than two RGB pixels: an image whose runs
    average fewer pixels than this is kept as it is. */
constexpr size_t kMinPixelsPerRun = 4;
} // namespace

RunLengthImage::RunLengthImage(int w, int h) : width(w), height(h)
{
    setBounds(0, 0, w, h);
}

RunLengthImage::RunLengthImage(const RunLengthImage& other)
    : juce::Drawable(other), width(other.width), height(other.height), runs(other.runs), rowStarts(other.rowStarts)
{
    setBounds(other.getBounds());
}

std::unique_ptr<RunLengthImage> RunLengthImage::fromImage(const juce::Image& image)
{
    if (! image.isValid() || image.getWidth() > std::numeric_limits<uint16_t>::max())
        return nullptr;
    std::unique_ptr<RunLengthImage> lean(new RunLengthImage(image.getWidth(), image.getHeight()));
    if (! lean->readRows(image))
        return nullptr;
    return lean;
}

bool RunLengthImage::readRows(const juce::Image& image)
{
    const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
    const size_t maxRuns = pixels / kMinPixelsPerRun;
    const juce::Image::BitmapData data(image, juce::Image::BitmapData::readOnly);
    rowStarts.reserve(static_cast<size_t>(height) + 1);
    for (int y = 0; y < height; ++y)
    {
        rowStarts.push_back(static_cast<uint32_t>(runs.size()));
        for (int x = 0; x < width; ++x)
        {
            const juce::Colour pixel = data.getPixelColour(x, y);
            if (! pixel.isOpaque())
                return false;
            const uint32_t argb = pixel.getARGB();
            if (x > 0 && runs.back().argb == argb)
                ++runs.back().length;
            else if (runs.size() == maxRuns)
                return false;
            else
                runs.push_back({static_cast<uint16_t>(x), 1, argb});
        }
    }
    rowStarts.push_back(static_cast<uint32_t>(runs.size()));
    runs.shrink_to_fit();
    return true;
}

void RunLengthImage::paint(juce::Graphics& g)
{
    const auto area = g.getClipBounds().getIntersection({0, 0, width, height});
    for (int y = area.getY(); y < area.getBottom(); ++y)
    {
        const auto row = static_cast<size_t>(y);
        for (uint32_t i = rowStarts[row]; i < rowStarts[row + 1]; ++i)
        {
            const Run& run = runs[i];
            if (run.x >= area.getRight() || run.x + run.length <= area.getX())
                continue;
            g.setColour(juce::Colour(run.argb));
            g.fillRect(static_cast<int>(run.x), y, static_cast<int>(run.length), 1);
        }
    }
}

juce::Rectangle<float> RunLengthImage::getDrawableBounds() const
{
    return juce::Rectangle<int>(width, height).toFloat();
}

std::unique_ptr<juce::Drawable> RunLengthImage::createCopy() const
{
    return std::unique_ptr<juce::Drawable>(new RunLengthImage(*this));
}
