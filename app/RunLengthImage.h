// An opaque image drawn from the runs of equal pixels of its rows.
#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <cstdint>
#include <memory>
#include <vector>

/**
    A drawable that shows an opaque image, keeping the runs of equal pixels of
    each row instead of the pixels. A drawing of flat panels on a vertical
    gradient, like the window's background, takes a few per cent of the
    memory of its decoded pixels, and it draws the very same pixels where no
    scaling is involved (scaled, each run is a filled rectangle). fromImage
    answers null for an image with any pixel that is not opaque and for one
    whose runs would not be smaller than its pixels: keep the image then.
*/
class RunLengthImage : public juce::Drawable
{
public:
    static std::unique_ptr<RunLengthImage> fromImage(const juce::Image& image);

    void paint(juce::Graphics& g) override;
    juce::Rectangle<float> getDrawableBounds() const override;
    std::unique_ptr<juce::Drawable> createCopy() const override;
    juce::Path getOutlineAsPath() const override { return {}; }

    /** How many runs all rows hold together. */
    size_t runCount() const { return runs.size(); }

private:
    struct Run
    {
        uint16_t x;
        uint16_t length;
        uint32_t argb;
    };

    RunLengthImage(int width, int height);
    RunLengthImage(const RunLengthImage& other);
    bool readRows(const juce::Image& image);

    const int width;
    const int height;
    std::vector<Run> runs;
    std::vector<uint32_t> rowStarts; // runs of row y: [rowStarts[y], rowStarts[y + 1])
};
