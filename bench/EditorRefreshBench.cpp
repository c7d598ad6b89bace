// The editor's refresh as the program pays for it: each 50 ms tick copies the snapshot and the
// parameters and updates every meter and read-out, and the window then repaints the regions those
// updates invalidated. Every value moves on every tick, so this is the busiest refresh there is.
// The cost is given as the share of one core at 20 ticks a second; the paint of the whole window
// (what a refresh that repaints everything would cost) is given beside it. Run under an X server.

#include "OvexjuceLoudnessAudioProcessorEditor.h"
#include "ProcessorTestAccess.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>

namespace
{
/** Collects the areas a component tree invalidates, in the top component's coordinates; the
    component paints as usual. */
struct InvalidatedAreas : public juce::CachedComponentImage
{
    void paint (juce::Graphics&) override {}
    bool invalidateAll() override { areas.add ({ 0, 0, 1024, 768 }); return false; }
    bool invalidate (const juce::Rectangle<int>& area) override { areas.add (area); return false; }
    void releaseResources() override {}

    juce::RectangleList<int> areas;
};

double secondsOf (const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double> (std::chrono::steady_clock::now() - start).count();
}

/** Every meter value of the snapshot somewhere new, as programme audio would move them. */
void moveMeters (MeterSnapshot& m, int tick)
{
    const auto wave = [tick] (float phase) { return 0.5f + 0.45f * std::sin (0.37f * (float) tick + phase); };

    m.momentaryLevel = -40.0f + 30.0f * wave (0.0f);
    m.momentaryFraction = wave (0.1f);
    m.shortTermLevel = -40.0f + 30.0f * wave (0.2f);
    m.integratedLevel = -30.0f + 10.0f * wave (0.3f);
    m.loudnessRange = 20.0f * wave (0.4f);
    m.rangeLowFraction = 0.5f * wave (0.5f);
    m.rangeHighFraction = 0.5f + 0.5f * wave (0.6f);
    m.shortTermFraction = wave (0.7f);
    m.processedSamples = 2400.0 * tick;

    for (size_t c = 0; c < 6; ++c)
    {
        m.heldTruePeak[c] = -30.0f + 28.0f * wave (0.8f + (float) c);
        m.truePeakFraction[c] = wave (0.9f + (float) c);
        m.soundFieldLevel[c] = wave (1.0f + (float) c);
        m.correlation[c] = 2.0f * wave (1.1f + (float) c) - 1.0f;
    }
}
} // namespace

int main()
{
    juce::ScopedJuceInitialiser_GUI juce;
    OvexjuceLoudnessAudioProcessor processor (nullptr);
    processor.setPlayConfigDetails (6, 6, 48000.0, 512);
    processor.setDefaultInputRouting();
    processor.sampleRate = 48000.0;

    OvexjuceLoudnessAudioProcessorEditor editor (processor, nullptr);
    editor.stopRefresh();
    editor.setVisible (true);
    auto* areas = new InvalidatedAreas();
    editor.setCachedComponentImage (areas);

    juce::Image canvas (juce::Image::ARGB, 1024, 768, true);
    constexpr int warmUp = 40, ticks = 2000;
    double refreshSeconds = 0.0;
    long long paintedPixels = 0;

    MeterSnapshot meters;

    for (int tick = 0; tick < warmUp + ticks; ++tick)
    {
        moveMeters (meters, tick);
        ProcessorTestAccess::publishMeters (processor, meters);
        areas->areas.clear();

        const double seconds = secondsOf ([&]
        {
            editor.timerCallback();
            juce::Graphics g (canvas);
            g.reduceClipRegion (areas->areas);
            editor.paintEntireComponent (g, false);
        });

        if (tick >= warmUp)
        {
            refreshSeconds += seconds;

            for (const auto& r : areas->areas)
                paintedPixels += r.getWidth() * r.getHeight();
        }
    }

    constexpr int wholePaints = 200;
    double wholeSeconds = 0.0;

    for (int i = 0; i < wholePaints; ++i)
        wholeSeconds += secondsOf ([&]
        {
            juce::Graphics g (canvas);
            editor.paintEntireComponent (g, false);
        });

    const double perTick = refreshSeconds / ticks;
    std::printf ("editor refresh, every value moving: %.3f ms a tick, %.2f %% of one core at 20 Hz (target below 2 %%)\n",
                 perTick * 1000.0, perTick * 20.0 * 100.0);
    std::printf ("  painted per tick: %.0f pixels of %d\n", (double) paintedPixels / ticks, 1024 * 768);
    std::printf ("whole-window paint: %.3f ms\n", wholeSeconds / wholePaints * 1000.0);

    editor.setCachedComponentImage (nullptr);
    return 0;
}
