#include "BarScale.h"
#include "ComponentRendering.h"
#include "DisplayBallistics.h"
#include "DisplayTestComponents.h"
#include "OVEXCorrelationMeter.h"
#include "OVEXDrawVectorscope.h"
#include "OVEXJuceArrowVU.h"
#include "OVEXJuceLRVU.h"
#include "OVEXJuceVU.h"
#include "OVEXMeterScale.h"
#include "OVEXVectroscope.h"
#include "RepaintRecorder.h"
#include "TestImages.h"
#include "VectorscopeSource.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace
{
constexpr float qNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float inf = std::numeric_limits<float>::infinity();

const juce::Label* findLabel (const juce::Component& parent, const juce::String& text)
{
    for (auto* child : parent.getChildren())
        if (auto* label = dynamic_cast<juce::Label*> (child); label != nullptr && label->getText() == text)
            return label;

    return nullptr;
}

/** Pushes runs of 64 samples with every role's channel at its own constant. */
void pushRuns (VectorscopeSource& source, int runs, std::array<float, 6> channelValues)
{
    juce::AudioSampleBuffer block (6, 64 * runs);

    for (int c = 0; c < 6; ++c)
        juce::FloatVectorOperations::fill (block.getWritePointer (c), channelValues[(size_t) c],
                                           block.getNumSamples());

    source.pushBlock (block);
}
} // namespace

using namespace displaytest;

TEST (DisplayBallistics, ReleaseCoefficientFollowsTimeAndRate)
{
    const struct
    {
        float seconds;
        double rate;
        float expected;
    } cases[] = {
        { 0.0002f, 44100.0, 0.892812f },  { 0.0004f, 44100.0, 0.944888f },  { 0.0002f, 48000.0, 0.901075f },
        { 0.0004f, 48000.0, 0.949250f },  { 0.0002f, 96000.0, 0.949250f },  { 0.0004f, 96000.0, 0.974294f },
        { 0.0002f, 192000.0, 0.974294f }, { 0.0004f, 192000.0, 0.987064f }, { 0.0f, 48000.0, 0.0f },
        { 0.0002f, 0.0, 0.0f },           { 0.0002f, -48000.0, 0.0f },      { -0.0002f, 48000.0, 0.0f },
        { qNaN, 48000.0, 0.0f },          { 0.0002f, (double) qNaN, 0.0f }, { inf, 48000.0, 1.0f },
    };

    for (const auto& c : cases)
        EXPECT_NEAR (releaseCoefficient (c.seconds, c.rate), c.expected, 1.0e-6)
            << c.seconds << " s at " << c.rate;
}

TEST (DisplayBallistics, ChangeTestAndClampAreNanSafe)
{
    const struct
    {
        float current, candidate;
        bool differs;
    } changes[] = {
        { 0.5f, 0.5f, false },    { 0.5f, std::nextafter (0.5f, 1.0f), true }, { 0.0f, -0.0f, false },
        { 0.0f, 1.0e-30f, true }, { qNaN, 0.5f, false }, { 0.5f, qNaN, false }, { inf, inf, false },
    };

    for (const auto& c : changes)
        EXPECT_EQ (differsRelatively (c.current, c.candidate), c.differs) << c.current << " -> " << c.candidate;

    const std::pair<float, float> clamps[] = { { -0.5f, 0.0f }, { 1.7f, 1.0f }, { 0.25f, 0.25f },
                                               { 1.0f, 1.0f },  { qNaN, 0.0f }, { inf, 1.0f },
                                               { -inf, 0.0f } };

    for (const auto& [input, expected] : clamps)
        EXPECT_EQ (clampFraction (input), expected) << input;
}

TEST (MeterScale, TruePeakFractionsFollowTheExponentialLaw)
{
    OVEXMeterScale scale;
    scale.setRange (-60.0, 5.0);

    const std::pair<double, double> cases[] = { { -60.0, 0.0 },      { -40.0, 0.209676 }, { -20.0, 0.494894 },
                                                { -1.0, 0.860508 },  { 0.0, 0.882872 },   { -70.0, -0.082988 },
                                                { 6.0, 1.024526 } };

    for (const auto& [level, expected] : cases)
        EXPECT_NEAR (scale.fraction (level), expected, 1.0e-6) << level;

    EXPECT_NEAR (scale.fraction (5.0), 1.0, 1.0e-12);

    scale.setRange (scaleRanges::ebu18);
    EXPECT_NEAR (scale.fraction (-23.0), 0.551559, 1.0e-6);
}

TEST (MeterScale, BarAndSoundFieldLawsAgreeWithTheReferenceWithinOnePixel)
{
    for (const auto& range : { scaleRanges::ebu18, scaleRanges::ebu9, scaleRanges::atsc18, scaleRanges::atsc9,
                               scaleRanges::truePeak, scaleRanges::relative9, scaleRanges::relative18 })
    {
        OVEXMeterScale reference;
        reference.setRange (range);
        const auto bar = BarScale::make (range);
        const auto field = SoundFieldLaw::make (range, 129);

        for (float level = range.first; level <= range.second; level += 0.1f)
        {
            const double exact = reference.fraction (level);
            EXPECT_NEAR (bar.pixel (level, 569), exact * 569.0, 1.0) << range.first << " at " << level;
            EXPECT_NEAR (field.radiusOf (level), exact * 129.0, 1.0) << range.first << " at " << level;
        }
    }
}

TEST (BarMeter, ShowsLevelsClampedAndKeepsItsLevelForNonFiniteInput)
{
    auto bar = makeTruePeakBar();

    const std::pair<float, float> steps[] = { { -0.5f, 0.0f }, { 1.7f, 1.0f }, { 0.4f, 0.4f },
                                              { qNaN, 0.4f },   { inf, 0.4f }, { -inf, 0.4f } };

    for (const auto& [input, shown] : steps)
    {
        bar.setLevel (input);
        EXPECT_EQ (bar.getLevel(), shown) << input;
    }
}

TEST (BarMeter, HeldPeakStaysTwentyOneCallsThenFallsFasterAndFaster)
{
    for (const bool ballistics : { false, true })
    {
        auto bar = makeTruePeakBar();
        bar.ballisticsEnabled = ballistics;
        bar.setAttackTime (0.0001f);
        bar.setReleaseTime (0.0002f);
        bar.setRefreshRate (48000.0);

        // The smoothed peak reaches 0.79992 and then 0.8; without smoothing it is 0.8 at once.
        const float tolerance = ballistics ? 1.0e-4f : 1.0e-6f;
        bar.setLevel (0.8f);
        bar.setLevel (0.8f);
        EXPECT_NEAR (bar.getPeakLevel(), 0.8f, tolerance);

        for (int call = 1; call <= 21; ++call)
        {
            bar.setLevel (0.2f);
            EXPECT_NEAR (bar.getPeakLevel(), 0.8f, tolerance) << "held at call " << call;
        }

        for (const float fallen : { 0.795f, 0.785f, 0.765f, 0.725f, 0.645f })
        {
            bar.setLevel (0.2f);
            EXPECT_NEAR (bar.getPeakLevel(), fallen, tolerance) << (ballistics ? "smoothed" : "direct");
        }
    }
}

TEST (BarMeter, SmoothingRisesAtOnceAndReleasesByTheCoefficient)
{
    const struct
    {
        float releaseSeconds;
        float attackWeight;
        std::vector<float> levels;
    } cases[] = {
        { 0.0002f, 0.0001f, { 0.79992f, 0.8f, 0.74065f, 0.68717f } },
        { 0.0f, 0.0f, { 0.8f, 0.8f, 0.2f, 0.2f } }, // no coefficient: the follower is the input
    };

    for (const auto& c : cases)
    {
        auto bar = makeTruePeakBar();
        bar.ballisticsEnabled = true;
        bar.setAttackTime (c.attackWeight);
        bar.setReleaseTime (c.releaseSeconds);
        bar.setRefreshRate (48000.0);

        const float inputs[] = { 0.8f, 0.8f, 0.2f, 0.2f };

        for (size_t i = 0; i < c.levels.size(); ++i)
        {
            bar.setLevel (inputs[i]);
            EXPECT_NEAR (bar.getLevel(), c.levels[i], 1.0e-5f)
                << "release " << c.releaseSeconds << " call " << i;
        }
    }
}

TEST (BarMeter, AnEqualLevelNeitherArmsNorCountsTheHold)
{
    auto bar = makeTruePeakBar();
    bar.setLevel (0.8f);

    for (int i = 0; i < 40; ++i)
        bar.setLevel (0.8f);

    for (int call = 1; call <= 21; ++call)
        bar.setLevel (0.2f);

    EXPECT_FLOAT_EQ (bar.getPeakLevel(), 0.8f);
    bar.setLevel (0.2f);
    EXPECT_FLOAT_EQ (bar.getPeakLevel(), 0.795f);
}

TEST (BarMeter, HoldTimeCountsInUpdateIntervals)
{
    const struct
    {
        int intervalMs, newHoldMs, heldCalls;
    } cases[] = {
        { 50, 100, 3 },  // one arming call plus two counted calls
        { 50, 1000, 21 },
        { 0, 1000, 1 },  // no interval: setHoldTime does nothing and the count stays 0
    };

    for (const auto& c : cases)
    {
        auto bar = makeTruePeakBar (c.intervalMs);
        bar.setHoldTime (c.newHoldMs);
        bar.setLevel (0.8f);

        int held = 0;

        for (bar.setLevel (0.2f); bar.getPeakLevel() == 0.8f && held < 100; bar.setLevel (0.2f))
            ++held;

        EXPECT_EQ (held, c.heldCalls) << c.intervalMs << " ms interval, " << c.newHoldMs << " ms hold";
    }
}

TEST (BarMeter, RepaintsOnlyTheRowsThatChange)
{
    auto bar = makeTruePeakBar();
    bar.setBounds (0, 0, 20, 480);
    auto& repaints = testsupport::RepaintRecorder::attachTo (bar);

    bar.setLevel (0.5f);
    ASSERT_EQ (repaints.count(), 2) << "the bar and the new peak line";
    EXPECT_EQ (repaints.areas()[0], juce::Rectangle<int> (0, 240, 20, 240));
    EXPECT_EQ (repaints.areas()[1], juce::Rectangle<int> (0, 240, 20, 2));

    repaints.clear();
    bar.setLevel (0.5f);
    EXPECT_EQ (repaints.count(), 0) << "nothing drawn changes";

    bar.setLevel (0.25f);
    ASSERT_EQ (repaints.count(), 1) << "the held peak stays";
    EXPECT_EQ (repaints.areas()[0], juce::Rectangle<int> (0, 240, 20, 120));

    repaints.clear();
    bar.split = 0.75f;
    bar.renderBarImage();
    EXPECT_EQ (repaints.bounds(), juce::Rectangle<int> (0, 240, 20, 240)) << "the new colours show at once";
}

TEST (RangeAndArrowMeters, ClampKeepNonFiniteValuesAndRepaintOnlyWhatMoved)
{
    OVEXJuceLRVU range (testsupport::solidImage (22, 483, juce::Colours::black),
                        testsupport::solidImage (22, 483, juce::Colours::cyan));
    range.setBounds (0, 0, 22, 483);
    auto& rangeRepaints = testsupport::RepaintRecorder::attachTo (range);

    range.setRange (-0.5f, 1.7f);
    EXPECT_EQ (range.getLow(), 0.0f);
    EXPECT_EQ (range.getHigh(), 1.0f);

    range.setRange (0.3f, 0.2f);
    EXPECT_EQ (range.getLow(), 0.3f) << "the bounds are not put in order";
    EXPECT_EQ (range.getHigh(), 0.2f);

    range.setRange (0.2f, 0.5f);
    rangeRepaints.clear();
    range.setRange (0.2f, 0.6f);
    ASSERT_EQ (rangeRepaints.count(), 1);
    EXPECT_EQ (rangeRepaints.areas()[0], juce::Rectangle<int> (0, 483 - 289, 22, 289 - 241));

    rangeRepaints.clear();
    range.setRange (qNaN, inf);
    range.setRange (0.2f, 0.6f);
    EXPECT_EQ (range.getLow(), 0.2f);
    EXPECT_EQ (range.getHigh(), 0.6f);
    EXPECT_EQ (rangeRepaints.count(), 0);

    OVEXJuceArrowVU arrow (testsupport::solidImage (24, 479, juce::Colours::black),
                           testsupport::solidImage (24, 26, juce::Colours::orange));
    arrow.setBounds (0, 0, 24, 483);
    auto& arrowRepaints = testsupport::RepaintRecorder::attachTo (arrow);

    for (const auto& [input, shown] : { std::pair<float, float> { 1.7f, 1.0f }, { -3.0f, 0.0f }, { 0.5f, 0.5f },
                                        { qNaN, 0.5f }, { -inf, 0.5f } })
    {
        arrow.setValue (input);
        EXPECT_EQ (arrow.getValue(), shown) << input;
    }

    arrowRepaints.clear();
    arrow.setValue (0.5f);
    EXPECT_EQ (arrowRepaints.count(), 0);
    arrow.setValue (0.51f);
    ASSERT_EQ (arrowRepaints.count(), 1);
    EXPECT_EQ (arrowRepaints.areas()[0], juce::Rectangle<int> (0, 470 - 246, 24, 26 + 246 - 241));
}

TEST (CorrelationMeter, ValuesMapToColumnsAndZones)
{
    const struct
    {
        int columns, mode;
        size_t keys;
        std::vector<std::pair<float, int>> positions;
    } tables[] = {
        { 282, 2, 201, { { -1.0f, 5 }, { -0.99f, 7 }, { 0.0f, 146 }, { 0.5f, 216 }, { 1.0f, 286 } } },
        { 120, 1, 21, { { -1.0f, 7 }, { 0.0f, 67 }, { 1.0f, 124 } } },
    };

    for (const auto& t : tables)
    {
        const auto table = correlationPositionTable (t.columns, t.mode);
        EXPECT_EQ (table.size(), t.keys) << t.columns;

        for (const auto& [value, position] : t.positions)
        {
            ASSERT_EQ (table.count (value), 1u) << t.columns << " columns, " << value;
            EXPECT_EQ (table.at (value), position) << t.columns << " columns, " << value;
        }
    }

    const std::pair<int, CorrelationZones> zones[] = { { 282, { 105, 70, 107 } }, { 120, { 45, 30, 45 } } };

    for (const auto& [columns, expected] : zones)
    {
        const auto actual = correlationZones (columns);
        EXPECT_EQ (std::make_tuple (actual.red, actual.yellow, actual.green),
                   std::make_tuple (expected.red, expected.yellow, expected.green))
            << columns;
    }
}

TEST (CorrelationMeter, FullAntiPhaseKeepsAVisibleNewestMarker)
{
    const struct
    {
        float position;
        bool newest;
        int columns, column;
    } cases[] = {
        { 5.0f, true, 282, 0 },     { 7.0f, true, 282, 0 },     { 7.0f, true, 120, 0 },
        { 146.0f, true, 282, 138 }, { 286.0f, true, 282, 278 }, { 0.0f, true, 282, -1 },
        { qNaN, true, 282, -1 },    { 5.0f, false, 282, 0 },    { 4.0f, false, 282, -1 },
        { 286.0f, false, 282, 281 }, { 287.0f, false, 282, -1 }, { 0.0f, false, 282, -1 },
    };

    for (const auto& c : cases)
        EXPECT_EQ (markerColourColumn (c.position, c.newest, c.columns), c.column)
            << c.position << (c.newest ? " newest" : " older");
}

TEST (CorrelationMeter, TrailRepaintsOnlyWhileAMarkerMoves)
{
    auto meter = makeCorrelationMeter (292);
    auto& repaints = testsupport::RepaintRecorder::attachTo (meter);

    for (int i = 0; i < 30; ++i)
        meter.setValue (1.0f);

    for (const float position : meter.getPositions())
        EXPECT_EQ (position, 286.0f);

    EXPECT_GT (repaints.count(), 0);
    repaints.clear();
    meter.setValue (1.0f);
    EXPECT_EQ (repaints.count(), 0);

    meter.setValue (qNaN);
    EXPECT_EQ (meter.getLevel(), 1.0f) << "a NaN value counts as unchanged";
    EXPECT_EQ (repaints.count(), 0);

    meter.setValue (0.0f);
    ASSERT_EQ (repaints.count(), 1);
    EXPECT_EQ (repaints.areas()[0], juce::Rectangle<int> (143, 3, 288 - 143, 8));
}

TEST (CorrelationMeter, RisesAtOnceAndFallsByTheReleaseCoefficient)
{
    auto meter = makeCorrelationMeter (292);
    meter.setAttackTime (0.0001f);
    meter.setRefreshRate (48000.0);
    meter.setReleaseTime (0.0002f);

    meter.setValue (0.0f);
    EXPECT_NEAR (meter.getLevel(), 0.9999f * 0.901075f + 0.0001f, 1.0e-5f);
    meter.setValue (0.0f);
    EXPECT_NEAR (meter.getLevel(), 0.9999f * 0.811936f + 0.0001f * 0.901085f, 1.0e-5f);

    // From the bottom, a rise shows at once.
    meter.setReleaseTime (0.0f);
    meter.setValue (0.0f);
    meter.setReleaseTime (0.0002f);
    meter.setValue (0.8f);
    EXPECT_NEAR (meter.getLevel(), 0.79992f, 1.0e-5f);
    EXPECT_EQ (meter.getPositions()[0], (float) correlationPositionTable (282, 2).at (0.8f));
}

TEST (CorrelationMeter, TenthStepsInScaleModeOne)
{
    auto meter = makeCorrelationMeter (130);
    meter.setScaleMode (1);
    meter.setReleaseTime (0.0f);
    meter.setScaleMode (3); // ignored

    for (const auto& [value, position] : { std::pair<float, float> { 0.04f, 67.0f }, { -0.04f, 67.0f },
                                           { -1.0f, 7.0f }, { 1.0f, 124.0f }, { 1.5f, 0.0f } })
    {
        meter.setValue (value);
        EXPECT_EQ (meter.getPositions()[0], position) << value;
    }
}

TEST (SoundField, RingsOfEveryScaleSitOnTheRadiusLaw)
{
    const std::pair<int, std::array<int, 5>> radii[] = {
        { 4, { 27, 44, 63, 86, 113 } },  { 10, { 18, 46, 71, 88, 114 } }, { 11, { 37, 55, 71, 88, 114 } },
        { 12, { 29, 55, 71, 88, 107 } }, { 13, { 29, 55, 71, 88, 107 } }, { 18, { 37, 55, 71, 88, 114 } },
        { 19, { 37, 55, 71, 88, 114 } }, { 20, { 29, 55, 71, 88, 107 } }, { 21, { 29, 55, 71, 88, 107 } },
    };

    for (const auto& [mode, expected] : radii)
    {
        const auto* scale = findSoundFieldScale (mode);
        ASSERT_NE (scale, nullptr) << mode;
        const auto law = SoundFieldLaw::make (scale->range, 129);

        for (size_t i = 0; i < expected.size(); ++i)
            EXPECT_EQ (law.radiusOf ((float) scale->rings[i]), expected[i]) << "mode " << mode << " ring " << i;

        auto field = makeSoundField();
        field.setScale (mode);

        for (size_t i = 0; i < expected.size(); ++i)
        {
            const auto* label = findLabel (field, juce::String (scale->rings[i]));
            ASSERT_NE (label, nullptr) << mode;
            EXPECT_TRUE (label->isVisible());
            EXPECT_EQ (label->getBounds(), juce::Rectangle<int> (0, 141 + expected[i] - 10, 283, 9)) << mode;
        }
    }

    for (const int unknown : { -3, 0, 5, 14, 22 })
        EXPECT_EQ (findSoundFieldScale (unknown), nullptr) << unknown;
}

TEST (SoundField, ChannelLabelsAndOverloadRadius)
{
    auto field = makeSoundField();

    const std::pair<const char*, juce::Rectangle<int>> labels[] = {
        { "L", { 38, 42, 18, 9 } },    { "C", { 0, 3, 283, 9 } },       { "R", { 232, 42, 141, 9 } },
        { "LS", { 35, 232, 18, 9 } },  { "RS", { 232, 232, 18, 9 } },
    };

    for (const auto& [name, bounds] : labels)
    {
        const auto* label = findLabel (field, name);
        ASSERT_NE (label, nullptr) << name;
        EXPECT_EQ (label->getBounds(), bounds) << name;
    }

    EXPECT_EQ (findLabel (field, "LFE"), nullptr);
    EXPECT_EQ (field.getOverloadRadius(), 95.0f) << "until the first overload level";

    const std::pair<float, float> radii[] = { { -1.0f, 111.0f }, { 0.0f, 113.0f }, { -12.0f, 82.0f },
                                              { -80.0f, 0.0f },  { qNaN, 0.0f },    { 20.0f, 129.0f } };

    for (const auto& [level, radius] : radii)
    {
        field.setOverloadLevel (level);
        EXPECT_EQ (field.getOverloadRadius(), radius) << level;
    }
}

TEST (SoundField, RisesAreSmoothedAndFallsShowAtOnce)
{
    auto field = makeSoundField();
    field.setAttackTime (0.0001f);
    field.setReleaseTime (0.0002f);
    field.setRefreshRate (48000.0);

    const struct
    {
        float input, level;
    } steps[] = {
        { 1.0f, 0.0001f + 0.9999f * 0.098925f }, { 1.0f, 0.0001f + 0.9999f * 0.188064f },
        { 0.1f, 0.1f },                          { 0.9f, 0.0001f * 0.9f + 0.9999f * 0.17914f },
        { qNaN, 0.0001f * 0.9f + 0.9999f * 0.17914f }, { -0.5f, 0.0f },
    };

    for (const auto& step : steps)
    {
        field.setCentreLevel (step.input);
        EXPECT_NEAR (field.getLevels()[roleC], step.level, 1.0e-5f) << step.input;
    }
}

TEST (SoundField, RepaintsWhenLevelsMoveOrTheLayoutChanges)
{
    auto field = makeSoundField();
    field.setReleaseTime (0.0f);
    auto& repaints = testsupport::RepaintRecorder::attachTo (field);

    const auto setAll = [&field] (float level)
    {
        field.setLeftLevel (level);
        field.setRightLevel (level);
        field.setCentreLevel (level);
        field.setLfeLevel (level);
        field.setLeftSurroundLevel (level);
        field.setRightSurroundLevel (level);
    };

    setAll (0.5f);
    EXPECT_TRUE (field.needsRepaint());
    field.repaintIfChanged();
    ASSERT_EQ (repaints.count(), 1);
    EXPECT_EQ (repaints.areas()[0], juce::Rectangle<int> (73, 73, 136, 136)) << "141 +- (64.5 + 3)";

    setAll (0.5f);
    EXPECT_FALSE (field.needsRepaint());
    field.stereo = false;
    EXPECT_TRUE (field.needsRepaint()) << "the 5.1 picture must replace the stereo one";
    field.repaintIfChanged();
    setAll (0.5f);
    EXPECT_FALSE (field.needsRepaint());

    repaints.clear();
    field.setScale (4);
    field.setOverloadLevel (-1.0f);
    EXPECT_EQ (repaints.count(), 2);
    field.setScale (4);
    field.setOverloadLevel (-1.0f);
    field.setScale (7);
    EXPECT_EQ (repaints.count(), 2) << "repeated settings and unknown modes change nothing";

    field.setScale (10);
    repaints.clear();
    field.setOverloadLevel (-3.0f);
    EXPECT_EQ (repaints.count(), 0) << "no overload band on a loudness scale";
}

TEST (SoundField, PolygonTakesTheCentreOnlyWhenItReachesAboveLeftAndRight)
{
    std::array<float, numChannelRoles> radii {};
    radii[roleL] = radii[roleR] = radii[roleLS] = radii[roleRS] = 64.5f;

    for (const auto& [centreRadius, corners] :
         { std::pair<float, size_t> { 12.9f, 4 }, { 45.0f, 4 }, { 45.1f, 5 }, { 64.5f, 5 } })
    {
        radii[roleC] = centreRadius;
        const auto polygon = soundFieldPolygon (radii, false, 141.0f);
        ASSERT_EQ (polygon.size(), corners) << centreRadius;
        EXPECT_EQ (polygon[1] == soundFieldPoint (roleC, centreRadius, 141.0f), corners == 5) << centreRadius;
    }

    radii.fill (129.0f);
    const auto stereo = soundFieldPolygon (radii, true, 141.0f);
    ASSERT_EQ (stereo.size(), 3u);
    EXPECT_NEAR (stereo[0].x, 141.0f - 91.2168f, 1.0e-3f);
    EXPECT_NEAR (stereo[1].y, 141.0f - 91.2168f, 1.0e-3f);
    EXPECT_EQ (stereo[2], juce::Point<float> (141.0f, 141.0f));
}

TEST (Vectroscope, SamplesMapOntoTheDiagonals)
{
    const juce::Point<float> centre (141.5f, 141.5f);
    const float r = 141.5f;
    const float step = 0.5f * r * 0.70710678f;

    const struct
    {
        float right, left;
        juce::Point<float> expected;
    } cases[] = {
        { 0.5f, 0.0f, { 141.5f + step, 141.5f - step } }, { 0.0f, 0.5f, { 141.5f - step, 141.5f - step } },
        { 0.5f, 0.5f, { 141.5f, 141.5f - 2.0f * step } }, { 0.5f, -0.5f, { 141.5f + 2.0f * step, 141.5f } },
        { 1.5f, 0.0f, vectorscopePoint (1.0f, 0.0f, r, centre) },
        { -3.0f, 0.0f, vectorscopePoint (-1.0f, 0.0f, r, centre) },
        { qNaN, 0.0f, centre }, { 0.0f, inf, centre }, { -inf, qNaN, centre },
    };

    for (const auto& c : cases)
    {
        const auto point = vectorscopePoint (c.right, c.left, r, centre);
        EXPECT_NEAR (point.x, c.expected.x, 1.0e-3f) << c.right << ", " << c.left;
        EXPECT_NEAR (point.y, c.expected.y, 1.0e-3f) << c.right << ", " << c.left;
    }
}

TEST (Vectroscope, BuildsOneFrameForEveryReadyRunKeepingTheSixteenNewest)
{
    VectorscopeSource source;
    auto scope = makeScope (source);
    scope.setSize (283, 283);
    const auto pointFor = [] (float right)
    { return vectorscopePoint (right, 0.0f, 141.5f, { 141.5f, 141.5f }); };

    for (int run = 1; run <= 17; ++run)
    {
        pushRuns (source, 1, { 0.0f, (float) run / 20.0f });
        EXPECT_EQ (scope.useTimeSlice(), 0);
    }

    EXPECT_EQ (scope.getFrameCount(), 16);
    EXPECT_EQ (scope.getFrame (0)[0], pointFor (17.0f / 20.0f));
    EXPECT_EQ (scope.getFrame (15)[0], pointFor (2.0f / 20.0f));

    // Every ready run in one call, but at most 64, so a full queue cannot hold the thread.
    pushRuns (source, 10, { 0.0f, 0.25f });
    pushRuns (source, 90, { 0.0f, 0.5f });
    scope.useTimeSlice();
    EXPECT_EQ (source.getNumReady(), 36 * 64);
    EXPECT_EQ (scope.getFrame (0)[0], pointFor (0.5f));
    EXPECT_EQ (scope.getFrame (15)[0], pointFor (0.5f));

    VectorscopeSource nearlyReady;
    auto waiting = makeScope (nearlyReady);
    juce::AudioSampleBuffer almost (6, 63);
    almost.clear();
    nearlyReady.pushBlock (almost);
    EXPECT_EQ (waiting.useTimeSlice(), 0);
    EXPECT_EQ (waiting.getFrameCount(), 0);
    EXPECT_EQ (nearlyReady.getNumReady(), 63);
}

TEST (Vectroscope, ChosenRolesDriveTheAxes)
{
    VectorscopeSource source;
    auto scope = makeScope (source);
    scope.setSize (283, 283);
    scope.setLeftChannel ("L");
    scope.setRightChannel ("LS");

    pushRuns (source, 1, { 0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f });
    scope.useTimeSlice();

    const auto frame = scope.getFrame (0);
    ASSERT_EQ (frame.size(), 64);
    EXPECT_EQ (frame[63], vectorscopePoint (0.5f, 0.1f, 141.5f, { 141.5f, 141.5f }));
}

TEST (Vectroscope, RunsOnAnOwnersThreadWhileItIsPaintedAndResized)
{
    VectorscopeSource source;
    auto scope = makeScope (source);
    scope.setSize (283, 283);

    juce::TimeSliceThread thread ("NOLV Editor Vector Thread");
    thread.addTimeSliceClient (&scope);
    thread.startThread();

    for (int block = 0; block < 200; ++block)
    {
        pushRuns (source, 4, { 0.1f, 0.2f });
        testsupport::renderToImage (scope);

        if (block % 50 == 0)
            scope.setSize (283 - block / 50, 283);
    }

    // The owner's order: the thread stops before the client goes.
    thread.stopThread (1000);
    thread.removeTimeSliceClient (&scope);
    EXPECT_LE (scope.getFrameCount(), OVEXVectroscope::maxFrames);
}
