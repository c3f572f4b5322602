// What a repaint of the window's background costs drawn from its runs
// against drawn from its decoded pixels: the whole window, and one control's
// area (a 120 x 24 part in the middle, as a button or chooser repaints).
#include "BContentBase.h"
#include "RunLengthImage.h"

#include <benchmark/benchmark.h>

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

namespace
{
const juce::Rectangle<int> kControlArea(190, 290, 120, 24);

void paintInto(benchmark::State& state, juce::Drawable& drawable, bool wholeWindow)
{
    juce::Image canvas(juce::Image::RGB, 503, 603, true);
    for (auto _ : state)
    {
        juce::Graphics g(canvas);
        if (! wholeWindow)
            g.reduceClipRegion(kControlArea);
        drawable.draw(g, 1.0f);
        benchmark::DoNotOptimize(canvas.getPixelAt(250, 300));
    }
}

void BM_BackgroundFromRuns(benchmark::State& state)
{
    const juce::ScopedJuceInitialiser_GUI gui;
    const std::unique_ptr<juce::Drawable> background = loadResourceImage("background.png");
    paintInto(state, *background, state.range(0) != 0);
}

void BM_BackgroundFromPixels(benchmark::State& state)
{
    const juce::ScopedJuceInitialiser_GUI gui;
    juce::DrawableImage background(juce::ImageFileFormat::loadFrom(
        juce::File(VASKOR_BENCH_SOURCE_DIR).getChildFile("resources/background.png")));
    paintInto(state, background, state.range(0) != 0);
}
} // namespace

BENCHMARK(BM_BackgroundFromRuns)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BackgroundFromPixels)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
