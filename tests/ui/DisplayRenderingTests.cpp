#include "ComponentRendering.h"
#include "DisplayTestComponents.h"
#include "OVEXJuceArrowVU.h"
#include "OVEXJuceLRVU.h"
#include "VectorscopeSource.h"

#include <gtest/gtest.h>

#include <climits>
#include <iostream>
#include <limits>
#include <sstream>

using namespace displaytest;

namespace
{
const juce::Colour black = nolvColours::background, green = nolvColours::green, red = nolvColours::red,
                   bg = barBackground;

struct Probe
{
    int x, y;
    juce::Colour colour;
};

/** Paints the component, leaves the picture under the build folder for a reader, and probes it. */
juce::Image expectPixels (juce::Component& component, const juce::String& name, std::vector<Probe> probes)
{
    const auto image = testsupport::renderToImage (component);
    testsupport::writePng (image, juce::File (NOLV_ARTIFACT_DIR).getChildFile (name + ".png"));

    for (const auto& p : probes)
        EXPECT_TRUE (testsupport::coloursMatch (image.getPixelAt (p.x, p.y), p.colour))
            << name << " at (" << p.x << ", " << p.y << "): " << image.getPixelAt (p.x, p.y).toDisplayString (true);
    return image;
}

void setLevels (OVEXDrawVectorscope& field, float all, float lfe)
{
    setSoundFieldLevels (field, all, lfe);
    field.repaintIfChanged();
}
} // namespace

TEST (DisplayRendering, BarsShowTheirForegroundUpToTheLevelAndAtThePeak)
{
    const std::tuple<const char*, std::vector<float>, std::vector<Probe>> cases[] = {
        { "bar-level-half", { 0.5f }, { { 10, 239, bg }, { 10, 240, green }, { 10, 479, green } } },
        { "bar-level-0.9", { 0.9f }, { { 10, 47, bg }, { 10, 48, red }, { 10, 239, red }, { 10, 240, green } } },
        { "bar-held-peak", { 0.8f, 0.2f },
          { { 10, 95, bg }, { 10, 96, red }, { 10, 97, red }, { 10, 98, bg }, { 10, 383, bg }, { 10, 384, green } } },
        { "bar-empty", { 0.0f }, { { 10, 0, bg }, { 10, 479, bg } } },
    };

    for (const auto& [name, levels, probes] : cases)
    {
        auto bar = makeTruePeakBar();
        bar.setBoundsAndRepaint ({ 66, 8, 20, 480 });

        for (const float level : levels)
            bar.setLevel (level);

        expectPixels (bar, name, probes);
    }

    // The momentary bar: the given foreground, no peak line; int (0.55185 * 483) = 266 rows.
    OVEXJuceVU momentary (testsupport::solidImage (34, 483, bg), testsupport::solidImage (34, 483, green), false, 0, 0);
    momentary.setBoundsAndRepaint ({ 67, 10, 34, 483 });
    momentary.setLevel (0.55185f);
    expectPixels (momentary, "bar-momentary", { { 17, 216, bg }, { 17, 217, green } });
}

TEST (DisplayRendering, RangeStripAndArrowSitOnTheirRows)
{
    const auto strip = juce::Colours::cyan;
    OVEXJuceLRVU range (testsupport::solidImage (22, 483, bg), testsupport::solidImage (22, 483, strip));
    range.setBoundsAndRepaint ({ 137, 12, 22, 483 });
    range.setRange (0.2f, 0.5f);
    expectPixels (range, "range-strip", { { 11, 241, bg }, { 11, 242, strip }, { 11, 386, strip }, { 11, 387, bg } });
    range.setRange (0.3f, 0.2f);
    expectPixels (range, "range-reversed", { { 11, 300, bg }, { 11, 386, bg } });

    OVEXJuceArrowVU arrow (testsupport::solidImage (24, 479, bg), testsupport::solidImage (24, 26, strip));
    arrow.setBoundsAndRepaint ({ 161, 12, 24, 483 });
    arrow.setValue (0.5f);
    expectPixels (arrow, "arrow-half", { { 12, 228, bg }, { 12, 229, strip }, { 12, 254, strip }, { 12, 255, bg } });
}

TEST (DisplayRendering, CorrelationMarkerTakesTheColourOfItsZone)
{
    const auto yellow = nolvColours::yellow, pureRed = nolvColours::pureRed;
    const std::tuple<const char*, int, int, float, std::vector<Probe>> cases[] = {
        { "correlation-zero", 292, 2, 0.0f,
          { { 143, 5, yellow }, { 146, 9, yellow }, { 4, 2, nolvColours::frame }, { 150, 14, black } } },
        { "correlation-anti-phase", 292, 2, -1.0f, { { 2, 6, pureRed }, { 5, 9, pureRed } } },
        { "correlation-anti-phase-coarse", 130, 1, -1.0f, { { 4, 6, pureRed }, { 7, 9, pureRed } } },
        { "correlation-in-phase", 292, 2, 1.0f, { { 283, 6, green }, { 286, 9, green } } },
    };

    for (const auto& [name, width, scaleMode, value, probes] : cases)
    {
        auto meter = makeCorrelationMeter (width);
        meter.setScaleMode (scaleMode);
        meter.setReleaseTime (0.0f); // a fall shows at once
        meter.setValue (value);
        expectPixels (meter, name, probes);
    }
}

TEST (DisplayRendering, SoundFieldShowsBandPolygonDiscAndOverload)
{
    const juce::Colour band { 0xff270004 }, polygon { 0xff004000 };
    auto field = makeSoundField(); // no release time: each level is its input
    field.setScale (4);
    field.setOverloadLevel (-1.0f);
    setLevels (field, 0.0f, 0.0f);
    expectPixels (field, "sound-field-band", { { 141, 261, band }, { 141, 241, black } });
    field.setScale (10);
    expectPixels (field, "sound-field-loudness-scale", { { 141, 261, black } });

    field.setScale (4);
    field.stereo = false;
    setLevels (field, 1.0f, 0.0f);
    expectPixels (field, "sound-field-full", { { 141, 193, polygon }, { 56, 56, red } });

    setLevels (field, 1.0f, 0.5f); // the disc, blue at half strength over the polygon
    expectPixels (field, "sound-field-lfe", { { 118, 141, juce::Colour (0xff1d6a6e) } });
    field.setScale (10);
    expectPixels (field, "sound-field-lfe-loudness-scale", { { 118, 141, polygon } });
}

TEST (DisplayRendering, VectorscopeTraceLiesOverItsAxes)
{
    VectorscopeSource source;
    auto scope = makeScope (source);
    scope.setLeftChannel ("L");
    scope.setRightChannel ("R");
    scope.setBounds (9, 6, 283, 283);

    juce::AudioSampleBuffer rightOnly (6, 64); // a ramp through 0.5 at sample 32
    rightOnly.clear();

    for (int i = 0; i < 64; ++i)
        rightOnly.setSample (1, i, (float) i / 64.0f);

    source.pushBlock (rightOnly);
    scope.useTimeSlice();
    const auto image = expectPixels (scope, "vectorscope-right-only",
                                     { { 191, 91, green }, { 0, 0, juce::Colours::white }, { 141, 260, black } });
    const auto onAxis = image.getPixelAt (200, 200);
    EXPECT_GE (juce::jmin (onAxis.getRed(), onAxis.getGreen(), onAxis.getBlue()), 0x80) << "the falling axis";
}

TEST (DisplayRendering, EveryComponentSurvivesAnyInput)
{
    // JUCE reports a failed assertion on std::cerr in debug builds.
    std::ostringstream assertions;
    auto* const standardError = std::cerr.rdbuf (assertions.rdbuf());

    auto bar = makeTruePeakBar();
    bar.setBounds (0, 0, 20, 480);
    bar.ballisticsEnabled = true;
    const auto image = testsupport::solidImage (24, 483, bg);
    OVEXJuceLRVU range (image, image);
    OVEXJuceArrowVU arrow (image, image);
    range.setBounds (0, 0, 24, 483);
    arrow.setBounds (0, 0, 24, 483);
    auto meter = makeCorrelationMeter (292);
    auto field = makeSoundField();
    VectorscopeSource source;
    auto scope = makeScope (source);

    for (const int n : { INT_MIN, -5, 0, INT_MAX })
    {
        bar.setHoldTime (n);
        meter.setScaleMode (n);
        field.setScale (n);
    }

    const auto limits = std::numeric_limits<float>();

    for (const float v : { 0.3f, limits.quiet_NaN(), limits.infinity(), -limits.infinity(), 1.0e30f, -1.0e30f, -5.0f })
    {
        const auto shown = std::make_tuple (bar.getLevel(), range.getLow(), arrow.getValue(), meter.getLevel(),
                                            field.getLevels());

        using VU = OVEXJuceVU;
        using Meter = OVEXCorrelationMeter;
        using Field = OVEXDrawVectorscope;
        for (auto set : { &VU::setAttackTime, &VU::setReleaseTime, &VU::setLevel })
            (bar.*set) (v);
        for (auto set : { &Meter::setAttackTime, &Meter::setReleaseTime, &Meter::setValue })
            (meter.*set) (v);
        for (auto set : { &Field::setAttackTime, &Field::setReleaseTime, &Field::setOverloadLevel })
            (field.*set) (v);

        bar.setRefreshRate (v);
        meter.setRefreshRate (v);
        field.setRefreshRate (v);
        bar.split = v;
        bar.renderBarImage();
        range.setRange (v, v);
        arrow.setValue (v);
        field.stereo = ! field.stereo;
        setLevels (field, v, v);

        juce::AudioSampleBuffer samples (6, 64);

        for (int c = 0; c < 6; ++c)
            juce::FloatVectorOperations::fill (samples.getWritePointer (c), v, 64);

        source.pushBlock (samples);
        scope.setRightChannel ("nonsense");
        scope.setSize (v > 0.0f ? 0 : 283, 283);
        scope.useTimeSlice();

        for (juce::Component* c : std::vector<juce::Component*> { &bar, &range, &arrow, &meter, &field, &scope })
            testsupport::renderToImage (*c);

        const auto now = std::make_tuple (bar.getLevel(), range.getLow(), arrow.getValue(), meter.getLevel(),
                                          field.getLevels());
        EXPECT_TRUE (std::isfinite (v) || now == shown) << "a non-finite value keeps what is shown";

        const auto inUnitRange = [] (float x) { return x >= 0.0f && x <= 1.0f; };
        EXPECT_TRUE (inUnitRange (bar.getLevel()) && inUnitRange (bar.getPeakLevel()) && inUnitRange (range.getLow())
                     && inUnitRange (range.getHigh()) && inUnitRange (arrow.getValue()));
        EXPECT_TRUE (std::all_of (field.getLevels().begin(), field.getLevels().end(), inUnitRange)) << v;

        for (const auto& point : scope.getFrame (0))
            EXPECT_TRUE (std::isfinite (point.x) && std::isfinite (point.y)) << v;
    }

    std::cerr.rdbuf (standardError);
    EXPECT_EQ (assertions.str().find ("JUCE Assertion"), std::string::npos) << assertions.str();
}
