#include "ComponentRendering.h"
#include "DisplayTestComponents.h"
#include "OVEXJuceArrowVU.h"
#include "OVEXJuceLRVU.h"
#include "OVEXMeterScale.h"
#include "RepaintRecorder.h"
#include "VectorscopeSource.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace displaytest;
using Rects = std::vector<juce::Rectangle<int>>;

namespace
{
constexpr float qNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float inf = std::numeric_limits<float>::infinity();

juce::Rectangle<int> boundsOfLabel (const juce::Component& parent, const juce::String& text)
{
    for (auto* child : parent.getChildren())
        if (auto* label = dynamic_cast<juce::Label*> (child); label != nullptr && label->getText() == text)
            return label->isVisible() ? label->getBounds() : juce::Rectangle<int>();

    return {};
}

/** Pushes runs of 64 samples, each role's channel at its own constant. */
void pushRuns (VectorscopeSource& source, int runs, std::array<float, 6> channelValues)
{
    juce::AudioSampleBuffer block (6, 64 * runs);

    for (int c = 0; c < 6; ++c)
        juce::FloatVectorOperations::fill (block.getWritePointer (c), channelValues[(size_t) c], 64 * runs);

    source.pushBlock (block);
}
} // namespace

TEST (DisplayBallistics, ReleaseCoefficientChangeTestAndClamp)
{
    for (const auto& [seconds, rate, expected] : { std::tuple<float, double, float> { 0.0002f, 44100.0, 0.892812f },
                                                   { 0.0002f, 48000.0, 0.901075f }, { 0.0004f, 48000.0, 0.949250f },
                                                   { 0.0004f, 192000.0, 0.987064f }, { 0.0f, 48000.0, 0.0f },
                                                   { 0.0002f, 0.0, 0.0f }, { qNaN, 48000.0, 0.0f } })
        EXPECT_NEAR (releaseCoefficient (seconds, rate), expected, 1.0e-6) << seconds << " s at " << rate;

    EXPECT_FALSE (differsRelatively (0.5f, 0.5f) || differsRelatively (qNaN, 0.5f) || differsRelatively (0.5f, qNaN));
    EXPECT_TRUE (differsRelatively (0.5f, std::nextafter (0.5f, 1.0f)) && differsRelatively (0.0f, 1.0e-30f));

    for (const auto& [input, clamped] : { std::pair<float, float> { -0.5f, 0.0f }, { 1.7f, 1.0f }, { 0.25f, 0.25f },
                                          { qNaN, 0.0f }, { inf, 1.0f }, { -inf, 0.0f } })
        EXPECT_EQ (clampFraction (input), clamped) << input;
}

TEST (MeterScale, FractionsAndTheFloatLawsThatFollowThem)
{
    OVEXMeterScale truePeak;

    for (const auto& [level, fraction] : { std::pair<double, double> { -60.0, 0.0 }, { -40.0, 0.209676 },
                                           { -20.0, 0.494894 }, { -70.0, -0.082988 }, { 6.0, 1.024526 } })
        EXPECT_NEAR (truePeak.fraction (level), fraction, 1.0e-6) << level;

    // The bar law rounds to 569 pixels and the sound field truncates to 129: both within a pixel.
    for (const auto& range : { scaleRanges::ebu18, scaleRanges::ebu9, scaleRanges::atsc18, scaleRanges::atsc9,
                               scaleRanges::truePeak, scaleRanges::relative9, scaleRanges::relative18 })
    {
        OVEXMeterScale reference;
        reference.setRange (range);

        for (float level = range.first; level <= range.second; level += 0.1f)
        {
            EXPECT_NEAR (BarScale::make (range).pixel (level, 569), reference.fraction (level) * 569.0, 1.0);
            EXPECT_NEAR (SoundFieldLaw::make (range, 129).radiusOf (level), reference.fraction (level) * 129.0, 1.0);
        }
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
        const float tolerance = ballistics ? 1.0e-4f : 1.0e-6f;

        for (const float repeated : { 0.8f, 0.8f, 0.8f, qNaN }) // equal levels neither arm nor count the hold
            bar.setLevel (repeated);

        for (int call = 1; call <= 21; ++call)
        {
            bar.setLevel (0.2f);
            EXPECT_NEAR (bar.getPeakLevel(), 0.8f, tolerance) << "held at call " << call;
        }

        EXPECT_NEAR (bar.getLevel(), ballistics ? 0.2f + 0.6f * std::pow (0.901075f, 21.0f) : 0.2f, 1.0e-5f);

        for (const float fallen : { 0.795f, 0.785f, 0.765f, 0.725f, 0.645f })
        {
            bar.setLevel (0.2f);
            EXPECT_NEAR (bar.getPeakLevel(), fallen, tolerance) << (ballistics ? "smoothed" : "direct");
        }

        if (! ballistics)
        {
            bar.setLevel (-0.5f);
            EXPECT_EQ (bar.getLevel(), 0.0f);
            bar.setLevel (1.7f);
            EXPECT_EQ (std::make_pair (bar.getLevel(), bar.getPeakLevel()), std::make_pair (1.0f, 1.0f));
        }
    }

    // The hold counts update intervals: 100 ms of 50 ms is two calls after the arming one; with
    // no interval setHoldTime does nothing and the peak falls right after arming.
    for (const auto& [intervalMs, heldCalls] : { std::pair<int, int> { 50, 3 }, { 0, 1 } })
    {
        auto bar = makeTruePeakBar (intervalMs);
        bar.setHoldTime (100);
        bar.setLevel (0.8f);
        int held = 0;

        for (bar.setLevel (0.2f); bar.getPeakLevel() == 0.8f && held < 100; bar.setLevel (0.2f))
            ++held;

        EXPECT_EQ (held, heldCalls) << intervalMs << " ms interval";
    }
}

TEST (BarMeter, RepaintsOnlyTheRowsThatChange)
{
    auto bar = makeTruePeakBar();
    bar.setBounds (0, 0, 20, 480);
    auto& repaints = testsupport::RepaintRecorder::attachTo (bar);

    bar.setLevel (0.5f);
    EXPECT_EQ (repaints.areas(), (Rects { { 0, 240, 20, 240 }, { 0, 240, 20, 2 } })) << "bar and peak";
    repaints.clear();
    bar.setLevel (0.5f);
    bar.setLevel (0.25f);
    EXPECT_EQ (repaints.areas(), (Rects { { 0, 240, 20, 120 } })) << "the held peak stays";

    repaints.clear();
    bar.split = 0.75f;
    bar.renderBarImage();
    EXPECT_EQ (repaints.areas(), (Rects { { 0, 360, 20, 120 }, { 0, 240, 20, 2 } })) << "new colours show at once";
}

TEST (RangeAndArrowMeters, ClampKeepNonFiniteValuesAndRepaintOnlyWhatMoved)
{
    const auto image = testsupport::solidImage (24, 483, barBackground);
    OVEXJuceLRVU range (image, image);
    range.setBounds (0, 0, 24, 483);
    auto& rangeRepaints = testsupport::RepaintRecorder::attachTo (range);

    for (const auto& [low, high, shownLow, shownHigh] :
         { std::tuple<float, float, float, float> { -0.5f, 1.7f, 0.0f, 1.0f }, { 0.3f, 0.2f, 0.3f, 0.2f },
           { 0.2f, 0.5f, 0.2f, 0.5f }, { qNaN, inf, 0.2f, 0.5f } })
    {
        range.setRange (low, high);
        EXPECT_EQ (std::make_pair (range.getLow(), range.getHigh()), std::make_pair (shownLow, shownHigh)) << low;
    }

    rangeRepaints.clear();
    range.setRange (0.2f, 0.6f); // rows 242..386 become 194..386
    EXPECT_EQ (rangeRepaints.areas(), (Rects { { 0, 194, 24, 48 } }));

    OVEXJuceArrowVU arrow (image, testsupport::solidImage (24, 26, barBackground));
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
    arrow.setValue (0.51f); // the arrow's top row moves from 229 to 224
    EXPECT_EQ (arrowRepaints.areas(), (Rects { { 0, 224, 24, 31 } }));
}

TEST (CorrelationMeter, ValuesMapToColumnsZonesAndMarkerColours)
{
    const auto fine = correlationPositionTable (282, 2);
    const auto coarse = correlationPositionTable (120, 1);
    EXPECT_EQ (std::make_pair (fine.size(), coarse.size()), std::make_pair ((size_t) 201, (size_t) 21));
    const auto at = [] (const std::map<float, int>& table, std::initializer_list<float> values)
    {
        std::vector<int> positions;
        for (const float v : values)
            positions.push_back (table.at (v));
        return positions;
    };

    EXPECT_EQ (at (fine, { -1.0f, -0.99f, 0.0f, 0.5f, 1.0f }), std::vector<int> ({ 5, 7, 146, 216, 286 }));
    EXPECT_EQ (at (coarse, { -1.0f, 0.0f, 1.0f }), std::vector<int> ({ 7, 67, 124 }));

    for (const auto& [columns, zones] : { std::pair<int, std::tuple<int, int, int>> { 282, { 105, 70, 107 } },
                                          { 120, { 45, 30, 45 } } })
    {
        const auto actual = correlationZones (columns);
        EXPECT_EQ (std::make_tuple (actual.red, actual.yellow, actual.green), zones);
    }

    // The newest marker sits 3 px left of its column: clamped into the bar, full anti-phase shows red.
    for (const auto& [position, newest, columns, column] :
         { std::tuple<float, bool, int, int> { 5.0f, true, 282, 0 }, { 7.0f, true, 120, 0 },
           { 146.0f, true, 282, 138 }, { 0.0f, true, 282, -1 }, { qNaN, true, 282, -1 }, { 5.0f, false, 282, 0 },
           { 4.0f, false, 282, -1 }, { 286.0f, false, 282, 281 }, { 287.0f, false, 282, -1 } })
        EXPECT_EQ (markerColourColumn (position, newest, columns), column) << position << (newest ? " newest" : "");
}

TEST (CorrelationMeter, TrailRepaintsOnlyWhileAMarkerMoves)
{
    auto meter = makeCorrelationMeter (292);
    auto& repaints = testsupport::RepaintRecorder::attachTo (meter);

    for (int i = 0; i < 30; ++i)
        meter.setValue (1.0f);

    EXPECT_EQ (std::count (meter.getPositions().begin(), meter.getPositions().end(), 286.0f), 30);
    repaints.clear();
    meter.setValue (1.0f);
    meter.setValue (qNaN);
    EXPECT_EQ (meter.getLevel(), 1.0f) << "NaN counts as unchanged";
    EXPECT_EQ (repaints.count(), 0);

    meter.setValue (0.0f);
    EXPECT_EQ (repaints.areas(), (Rects { { 143, 3, 145, 8 } })) << "from the new marker to the trail";
    meter.setValue (1.5f);
    EXPECT_EQ (meter.getPositions()[0], 0.0f) << "outside the table";
}

TEST (CorrelationMeter, RisesAtOnceAndFallsByTheReleaseCoefficient)
{
    auto meter = makeCorrelationMeter (292);
    meter.setAttackTime (0.0001f);
    meter.setRefreshRate (48000.0);
    meter.setReleaseTime (0.0002f);

    meter.setValue (0.0f); // followers 0.901075, then 0.811936
    EXPECT_NEAR (meter.getLevel(), 0.9999f * 0.901075f + 0.0001f, 1.0e-5f);
    meter.setValue (0.0f);
    EXPECT_NEAR (meter.getLevel(), 0.9999f * 0.811936f + 0.0001f * 0.901085f, 1.0e-5f);
    meter.setReleaseTime (0.0f);
    meter.setValue (0.0f);
    meter.setReleaseTime (0.0002f);
    meter.setValue (0.8f);
    EXPECT_NEAR (meter.getLevel(), 0.79992f, 1.0e-5f);
    EXPECT_EQ (meter.getPositions()[0], (float) correlationPositionTable (282, 2).at (0.8f));
}

TEST (SoundField, RingsLabelsAndOverloadRadius)
{
    for (const auto& [mode, radii] : { std::pair<int, std::array<int, 5>> { 4, { 27, 44, 63, 86, 113 } },
                                       { 10, { 18, 46, 71, 88, 114 } }, { 11, { 37, 55, 71, 88, 114 } },
                                       { 12, { 29, 55, 71, 88, 107 } }, { 13, { 29, 55, 71, 88, 107 } },
                                       { 18, { 37, 55, 71, 88, 114 } }, { 19, { 37, 55, 71, 88, 114 } },
                                       { 20, { 29, 55, 71, 88, 107 } }, { 21, { 29, 55, 71, 88, 107 } } })
    {
        const auto* scale = findSoundFieldScale (mode);
        ASSERT_NE (scale, nullptr) << mode;
        auto field = makeSoundField();
        field.setScale (mode);

        for (size_t i = 0; i < radii.size(); ++i)
        {
            EXPECT_EQ (SoundFieldLaw::make (scale->range, 129).radiusOf ((float) scale->rings[i]), radii[i]);
            EXPECT_EQ (boundsOfLabel (field, juce::String (scale->rings[i])),
                       juce::Rectangle<int> (0, 141 + radii[i] - 10, 283, 9))
                << "mode " << mode;
        }
    }

    EXPECT_EQ (findSoundFieldScale (7), nullptr);
    auto field = makeSoundField();

    for (const auto& [name, bounds] : { std::pair<const char*, juce::Rectangle<int>> { "L", { 38, 42, 18, 9 } },
                                        { "C", { 0, 3, 283, 9 } }, { "R", { 232, 42, 141, 9 } },
                                        { "LS", { 35, 232, 18, 9 } }, { "RS", { 232, 232, 18, 9 } } })
        EXPECT_EQ (boundsOfLabel (field, name), bounds) << name;

    EXPECT_EQ (field.getOverloadRadius(), 95.0f) << "until the first overload level";

    for (const auto& [level, radius] : { std::pair<float, float> { -1.0f, 111.0f }, { 0.0f, 113.0f },
                                         { -12.0f, 82.0f }, { -80.0f, 0.0f }, { qNaN, 0.0f }, { 20.0f, 129.0f } })
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

    // Followers 0.098925 and 0.188064 on the way up, the input at once on a fall, then 0.17914.
    for (const auto& [input, level] : { std::pair<float, float> { 1.0f, 0.0001f + 0.9999f * 0.098925f },
                                        { 1.0f, 0.0001f + 0.9999f * 0.188064f }, { 0.1f, 0.1f },
                                        { 0.9f, 0.00009f + 0.9999f * 0.17914f },
                                        { qNaN, 0.00009f + 0.9999f * 0.17914f }, { -0.5f, 0.0f } })
    {
        field.setCentreLevel (input);
        EXPECT_NEAR (field.getLevels()[roleC], level, 1.0e-5f) << input;
    }
}

TEST (SoundField, RepaintsWhenLevelsMoveOrTheLayoutChanges)
{
    auto field = makeSoundField();
    auto& repaints = testsupport::RepaintRecorder::attachTo (field);
    setSoundFieldLevels (field, 0.5f, 0.5f);
    field.repaintIfChanged();
    EXPECT_EQ (repaints.areas(), (Rects { { 73, 73, 136, 136 } })) << "141 +- (64.5 + 3)";
    setSoundFieldLevels (field, 0.5f, 0.5f);
    EXPECT_FALSE (field.needsRepaint());
    field.stereo = false;
    EXPECT_TRUE (field.needsRepaint()) << "the 5.1 picture must replace the stereo one";
    field.repaintIfChanged();
    EXPECT_FALSE (field.needsRepaint());

    repaints.clear();
    for (int twice = 0; twice < 2; ++twice)
    {
        field.setScale (4);
        field.setOverloadLevel (-1.0f);
    }
    EXPECT_EQ (repaints.count(), 2) << "a repeated scale or overload level changes nothing";
    field.setScale (10);
    repaints.clear();
    field.setOverloadLevel (-3.0f);
    EXPECT_EQ (repaints.count(), 0) << "no overload band on a loudness scale";
}

TEST (SoundField, PolygonTakesTheCentreOnlyWhenItReachesAboveLeftAndRight)
{
    std::array<float, numChannelRoles> radii {};
    radii.fill (64.5f); // L and R at a mean height of int (0.7071 * 64.5) = 45

    for (const auto& [centreRadius, corners] : { std::pair<float, size_t> { 12.9f, 4 }, { 45.0f, 4 }, { 45.1f, 5 } })
    {
        radii[roleC] = centreRadius;
        EXPECT_EQ (soundFieldPolygon (radii, false, 141.0f).size(), corners) << centreRadius;
    }
}

TEST (Vectroscope, SamplesMapOntoTheDiagonals)
{
    const juce::Point<float> c (141.5f, 141.5f);
    const float r = 141.5f, step = 0.5f * r * 0.70710678f;

    for (const auto& [right, left, expected] :
         { std::tuple<float, float, juce::Point<float>> { 0.5f, 0.0f, { c.x + step, c.y - step } },
           { 0.0f, 0.5f, { c.x - step, c.y - step } }, { 0.5f, 0.5f, { c.x, c.y - 2.0f * step } },
           { 0.5f, -0.5f, { c.x + 2.0f * step, c.y } }, { 1.5f, 0.0f, vectorscopePoint (1.0f, 0.0f, r, c) },
           { -3.0f, 0.0f, vectorscopePoint (-1.0f, 0.0f, r, c) }, { qNaN, 0.0f, c }, { 0.0f, inf, c } })
        EXPECT_LT (vectorscopePoint (right, left, r, c).getDistanceFrom (expected), 1.0e-3f) << right << ", " << left;
}

TEST (Vectroscope, BuildsOneFrameForEveryReadyRunKeepingTheSixteenNewest)
{
    VectorscopeSource source;
    auto scope = makeScope (source);
    scope.setSize (283, 283);
    const auto pointFor = [] (float right, float left)
    { return vectorscopePoint (right, left, 141.5f, { 141.5f, 141.5f }); };

    pushRuns (source, 10, {});
    EXPECT_EQ (scope.useTimeSlice(), 0);
    EXPECT_EQ (scope.getFrameCount(), 10) << "every ready run in one call";
    for (int run = 1; run <= 17; ++run)
    {
        pushRuns (source, 1, { 0.0f, (float) run / 20.0f });
        scope.useTimeSlice();
    }

    EXPECT_EQ (scope.getFrameCount(), 16);
    EXPECT_EQ (std::make_pair (scope.getFrame (0)[0], scope.getFrame (15)[0]),
               std::make_pair (pointFor (17.0f / 20.0f, 0.0f), pointFor (2.0f / 20.0f, 0.0f)));

    pushRuns (source, 100, {});
    scope.useTimeSlice();
    EXPECT_EQ (source.getNumReady(), 36 * 64) << "at most 64 runs per call";

    // The chosen roles drive the axes: LS (channel 4) is the right input, L the left.
    scope.setLeftChannel ("L");
    scope.setRightChannel ("LS");
    scope.useTimeSlice(); // the 36 runs still queued
    pushRuns (source, 1, { 0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f });
    juce::AudioSampleBuffer almost (6, 63);
    almost.clear();
    source.pushBlock (almost);
    EXPECT_EQ (scope.useTimeSlice(), 0);
    EXPECT_EQ (scope.getFrame (0)[63], pointFor (0.5f, 0.1f));
    EXPECT_EQ (source.getNumReady(), 63) << "63 samples make no frame";
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
        scope.setSize (283 - block % 3, 283);
    }

    // The owner's order: the thread stops before the client goes.
    thread.stopThread (1000);
    thread.removeTimeSliceClient (&scope);
    EXPECT_LE (scope.getFrameCount(), OVEXVectroscope::maxFrames);
}
