// display_bench: what one paint of each display component costs at the size the editor gives it,
// and of all of them together, in microseconds per frame, so the 20 Hz refresh can be budgeted.
// Every frame gets new values first, as the editor's refresh gives them. Not a test; run it by hand.

#include "NolvColours.h"
#include "NolvResources.h"
#include "OVEXCorrelationMeter.h"
#include "OVEXDrawVectorscope.h"
#include "OVEXJuceArrowVU.h"
#include "OVEXJuceLRVU.h"
#include "OVEXJuceVU.h"
#include "OVEXVectroscope.h"
#include "VectorscopeSource.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace
{
constexpr int frames = 2000;

struct Subject
{
    const char* name;
    std::vector<juce::Component*> components;
    std::function<void (juce::Random&)> update;
};

double microsecondsPerFrame (const Subject& subject)
{
    std::vector<juce::Image> canvases;

    for (auto* c : subject.components)
        canvases.emplace_back (juce::Image::ARGB, c->getWidth(), c->getHeight(), true);

    juce::Random random (1);
    std::chrono::steady_clock::duration painting {};

    for (int frame = 0; frame < frames; ++frame)
    {
        subject.update (random);
        const auto start = std::chrono::steady_clock::now();

        for (size_t i = 0; i < canvases.size(); ++i)
        {
            juce::Graphics g (canvases[i]);
            subject.components[i]->paintEntireComponent (g, false);
        }

        painting += std::chrono::steady_clock::now() - start;
    }

    return std::chrono::duration<double, std::micro> (painting).count() / frames;
}
} // namespace

int main()
{
    juce::ScopedJuceInitialiser_GUI juce;

    OVEXJuceVU momentary (nolvImage (NolvImageId::momentaryBarBackground),
                          nolvImage (NolvImageId::momentaryBarForeground), false, 0, 0);
    momentary.setBounds (67, 10, 34, 483);

    std::vector<std::unique_ptr<OVEXJuceVU>> truePeakBars;

    for (const int x : { 66, 106, 146, 185, 225, 265 })
    {
        auto bar = std::make_unique<OVEXJuceVU> (nolvImage (NolvImageId::truePeakBarBackground),
                                                 nolvColours::green, nolvColours::red, true, 1000, 50, 0.5f);
        bar->ballisticsEnabled = true;
        bar->setAttackTime (0.0001f);
        bar->setReleaseTime (0.0002f);
        bar->setRefreshRate (48000.0);
        bar->setBounds (x, 8, 20, 480);
        truePeakBars.push_back (std::move (bar));
    }

    OVEXJuceLRVU range (nolvImage (NolvImageId::rangeBarBackground),
                        nolvImage (NolvImageId::rangeBarForeground));
    range.setBounds (137, 12, 22, 483);
    OVEXJuceArrowVU arrow (nolvImage (NolvImageId::arrowScale), nolvImage (NolvImageId::arrow));
    arrow.setBounds (161, 12, 24, 483);

    std::vector<std::unique_ptr<OVEXCorrelationMeter>> correlations;

    for (const auto& bounds : { juce::Rectangle<int> (4, 355, 292, 37), { 4, 390, 130, 37 },
                                { 166, 390, 130, 37 }, { 4, 425, 292, 37 }, { 4, 460, 130, 37 },
                                { 166, 460, 130, 37 } })
    {
        correlations.push_back (std::make_unique<OVEXCorrelationMeter> (
            bounds.getWidth(), bounds.getHeight(), nolvColours::background, nolvColours::pureRed,
            nolvColours::green, nolvColours::yellow, nolvColours::frame, nolvFont (9.0f), "L", "R"));
        correlations.back()->setScaleMode (bounds.getWidth() > 200 ? 2 : 1);
        correlations.back()->setBounds (bounds);
    }

    OVEXDrawVectorscope soundField (283, nolvColours::background, nolvColours::whiteSmoke, nolvColours::green,
                                    nolvColours::red, nolvColours::blue, nolvFont (9.0f));
    soundField.setBounds (9, 15, 283, 283);
    soundField.setScale (4);
    soundField.setOverloadLevel (-1.0f);
    soundField.stereo = false;

    VectorscopeSource source;
    OVEXVectroscope scope (&source, nolvColours::green, nolvColours::text, nolvColours::background, false);
    scope.setActive (true);
    scope.setLeftChannel ("L");
    scope.setRightChannel ("R");
    scope.setBounds (9, 6, 283, 283);
    juce::AudioSampleBuffer noise (6, OVEXVectroscope::samplesPerFrame * OVEXVectroscope::maxFrames);

    const auto updateBars = [&] (juce::Random& r)
    {
        momentary.setLevel (r.nextFloat());

        for (auto& bar : truePeakBars)
            bar->setLevel (r.nextFloat());
    };
    const auto updateRangeAndArrow = [&] (juce::Random& r)
    {
        range.setRange (0.3f * r.nextFloat(), 0.5f + 0.5f * r.nextFloat());
        arrow.setValue (r.nextFloat());
    };
    const auto updateCorrelations = [&] (juce::Random& r)
    {
        for (auto& meter : correlations)
            meter->setValue (2.0f * r.nextFloat() - 1.0f);
    };
    const auto updateSoundField = [&] (juce::Random& r)
    {
        soundField.setLeftLevel (r.nextFloat());
        soundField.setRightLevel (r.nextFloat());
        soundField.setCentreLevel (r.nextFloat());
        soundField.setLfeLevel (r.nextFloat());
        soundField.setLeftSurroundLevel (r.nextFloat());
        soundField.setRightSurroundLevel (r.nextFloat());
        soundField.repaintIfChanged();
    };
    const auto updateScope = [&] (juce::Random& r)
    {
        for (int c = 0; c < noise.getNumChannels(); ++c)
            for (int i = 0; i < noise.getNumSamples(); ++i)
                noise.setSample (c, i, 2.0f * r.nextFloat() - 1.0f);

        source.pushBlock (noise);
        scope.useTimeSlice();
    };

    std::vector<juce::Component*> bars { &momentary };
    for (auto& bar : truePeakBars)
        bars.push_back (bar.get());

    std::vector<juce::Component*> meters;
    for (auto& meter : correlations)
        meters.push_back (meter.get());

    std::vector<juce::Component*> all = bars;
    all.insert (all.end(), { &range, &arrow, &soundField, &scope });
    all.insert (all.end(), meters.begin(), meters.end());

    const Subject subjects[] = {
        { "momentary bar", { &momentary }, updateBars },
        { "true-peak bar", { truePeakBars.front().get() }, updateBars },
        { "loudness-range bar", { &range }, updateRangeAndArrow },
        { "short-term arrow", { &arrow }, updateRangeAndArrow },
        { "correlation meter, 292 px", { correlations.front().get() }, updateCorrelations },
        { "correlation meter, 130 px", { correlations[1].get() }, updateCorrelations },
        { "sound field, 5.1", { &soundField }, updateSoundField },
        { "vectorscope, 16 frames", { &scope }, updateScope },
        { "all together", all,
          [&] (juce::Random& r)
          {
              updateBars (r);
              updateRangeAndArrow (r);
              updateCorrelations (r);
              updateSoundField (r);
              updateScope (r);
          } },
    };

    std::printf ("%-28s %12s\n", "paint of", "us per frame");

    for (const auto& subject : subjects)
        std::printf ("%-28s %12.1f\n", subject.name, microsecondsPerFrame (subject));

    return 0;
}
