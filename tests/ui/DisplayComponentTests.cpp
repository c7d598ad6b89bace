#include "ComponentRendering.h"
#include "EditorRefreshControl.h"
#include "NolvColours.h"
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

#include <climits>
#include <cmath>
#include <limits>

// The display components set up as the editor sets them up, with one-colour images: pure tables
// first, then pictures painted into images and probed.

namespace
{
using Rects = std::vector<juce::Rectangle<int>>;
constexpr float qNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float inf = std::numeric_limits<float>::infinity();
const juce::Colour bg { 0xff202020 }, black = nolvColours::background, green = nolvColours::green, red = nolvColours::red;

// A true-peak bar: green below the half, red above, a peak held for 1000 ms.
OVEXJuceVU makeTruePeakBar (int intervalMs = 50)
{
    return OVEXJuceVU (testsupport::solidImage (20, 480, bg), green, red, true, 1000, intervalMs, 0.5f);
}

OVEXCorrelationMeter makeCorrelationMeter (int width)
{
    return OVEXCorrelationMeter (width, 37, black, nolvColours::pureRed, green, nolvColours::yellow, nolvColours::frame,
                                 juce::Font (9.0f), "L", "R");
}

OVEXDrawVectorscope makeSoundField()
{
    return OVEXDrawVectorscope (283, black, nolvColours::whiteSmoke, green, red, nolvColours::blue, juce::Font (9.0f));
}

/** Every role but the LFE at one level, then the repaint the editor's tick asks for. */
void setLevels (OVEXDrawVectorscope& field, float all, float lfe)
{
    for (auto set : { &OVEXDrawVectorscope::setLeftLevel, &OVEXDrawVectorscope::setRightLevel, &OVEXDrawVectorscope::setCentreLevel,
                      &OVEXDrawVectorscope::setLeftSurroundLevel, &OVEXDrawVectorscope::setRightSurroundLevel })
        (field.*set) (all);

    field.setLfeLevel (lfe);
    field.repaintIfChanged();
}

OVEXVectroscope makeScope (VectorscopeSource& source)
{
    return OVEXVectroscope (&source, green, nolvColours::text, black, false);
}

/** Pushes runs of 64 samples, each role's channel at its own constant. */
void pushRuns (VectorscopeSource& source, int runs, std::array<float, 6> channelValues)
{
    juce::AudioSampleBuffer block (6, 64 * runs);

    for (int c = 0; c < 6; ++c)
        juce::FloatVectorOperations::fill (block.getWritePointer (c), channelValues[(size_t) c], 64 * runs);

    source.pushBlock (block);
}

struct Probe
{
    int x, y;
    juce::Colour colour;
};

/** Paints the component, leaves the picture under the build folder for a reader, and probes it. */
juce::Image expectPixels (juce::Component& component, const juce::String& name, std::vector<Probe> probes)
{
    const auto image = testsupport::renderArtifact (component, name + ".png");

    for (const auto& p : probes)
        EXPECT_TRUE (testsupport::coloursMatch (image.getPixelAt (p.x, p.y), p.colour))
            << name << " at (" << p.x << ", " << p.y << "): " << image.getPixelAt (p.x, p.y).toDisplayString (true);
    return image;
}
} // namespace

TEST (DisplayBallistics, ReleaseCoefficientChangeTestAndClamp)
{
    for (const auto& [seconds, rate, expected] : { std::tuple<float, double, float> { 0.0002f, 48000.0, 0.901075f },
                                                   { 0.0004f, 48000.0, 0.949250f }, { 0.0002f, 44100.0, 0.892812f },
                                                   { 0.0f, 48000.0, 0.0f }, { 0.0002f, 0.0, 0.0f }, { qNaN, 48000.0, 0.0f } })
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

TEST (CorrelationMeter, ValuesMapToColumnsZonesAndMarkerColours)
{
    const auto fine = correlationPositionTable (282, 2);
    const auto coarse = correlationPositionTable (120, 1);
    EXPECT_EQ (std::make_pair (fine.size(), coarse.size()), std::make_pair ((size_t) 201, (size_t) 21));

    for (const auto& [table, value, position] : { std::tuple (&fine, -1.0f, 5), { &fine, -0.99f, 7 }, { &fine, 0.0f, 146 },
                                                  { &fine, 0.5f, 216 }, { &fine, 1.0f, 286 }, { &coarse, -1.0f, 7 },
                                                  { &coarse, 0.0f, 67 }, { &coarse, 1.0f, 124 } })
        EXPECT_EQ (table->at (value), position) << value;

    for (const auto& [columns, zones] : { std::pair<int, std::tuple<int, int, int>> { 282, { 105, 70, 107 } },
                                          { 120, { 45, 30, 45 } } })
    {
        const auto actual = correlationZones (columns);
        EXPECT_EQ (std::make_tuple (actual.red, actual.yellow, actual.green), zones);
    }

    // The newest marker sits 3 px left of its column: clamped into the bar, full anti-phase shows red.
    for (const auto& [position, newest, columns, column] :
         { std::tuple<float, bool, int, int> { 5.0f, true, 282, 0 }, { 146.0f, true, 282, 138 }, { qNaN, true, 282, -1 },
           { 4.0f, false, 282, -1 }, { 286.0f, false, 282, 281 }, { 287.0f, false, 282, -1 } })
        EXPECT_EQ (markerColourColumn (position, newest, columns), column) << position << (newest ? " newest" : "");
}

TEST (CorrelationMeter, RisesAtOnceFallsByTheReleaseCoefficientAndRepaintsOnlyWhileAMarkerMoves)
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

    auto smoothed = makeCorrelationMeter (292);
    smoothed.setAttackTime (0.0001f);
    smoothed.setRefreshRate (48000.0);
    smoothed.setReleaseTime (0.0002f);
    smoothed.setValue (0.0f); // followers 0.901075, then 0.811936
    EXPECT_NEAR (smoothed.getLevel(), 0.9999f * 0.901075f + 0.0001f, 1.0e-5f);
    smoothed.setValue (0.0f);
    EXPECT_NEAR (smoothed.getLevel(), 0.9999f * 0.811936f + 0.0001f * 0.901085f, 1.0e-5f);
    smoothed.setReleaseTime (0.0f);
    smoothed.setValue (0.0f);
    smoothed.setReleaseTime (0.0002f);
    smoothed.setValue (0.8f);
    EXPECT_NEAR (smoothed.getLevel(), 0.79992f, 1.0e-5f);
    EXPECT_EQ (smoothed.getPositions()[0], (float) correlationPositionTable (282, 2).at (0.8f));
}

TEST (SoundField, RingsFollowTheScaleAndOverloadSetsTheBandRadius)
{
    for (const auto& [mode, radii] : { std::pair<int, std::array<int, 5>> { 4, { 27, 44, 63, 86, 113 } },
                                       { 10, { 18, 46, 71, 88, 114 } }, { 11, { 37, 55, 71, 88, 114 } },
                                       { 12, { 29, 55, 71, 88, 107 } }, { 13, { 29, 55, 71, 88, 107 } },
                                       { 18, { 37, 55, 71, 88, 114 } }, { 19, { 37, 55, 71, 88, 114 } },
                                       { 20, { 29, 55, 71, 88, 107 } }, { 21, { 29, 55, 71, 88, 107 } } })
    {
        // A 283-px field: the centre at 141 and the law's 129 px to the edge of the scale.
        const auto* scale = findSoundFieldScale (mode);
        ASSERT_NE (scale, nullptr) << mode;

        for (size_t i = 0; i < radii.size(); ++i)
            EXPECT_EQ (SoundFieldLaw::make (scale->range, 129).radiusOf ((float) scale->rings[i]), radii[i]) << "mode " << mode;
    }

    EXPECT_EQ (findSoundFieldScale (7), nullptr);
    auto field = makeSoundField();
    EXPECT_EQ (field.getOverloadRadius(), 95.0f) << "until the first overload level";

    for (const auto& [level, radius] : { std::pair<float, float> { -1.0f, 111.0f }, { 0.0f, 113.0f }, { -12.0f, 82.0f },
                                         { -80.0f, 0.0f }, { qNaN, 0.0f }, { 20.0f, 129.0f } })
    {
        field.setOverloadLevel (level);
        EXPECT_EQ (field.getOverloadRadius(), radius) << level;
    }
}

TEST (SoundField, RisesAreSmoothedFallsShowAtOnceAndOnlyChangesRepaint)
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

    auto still = makeSoundField();
    auto& repaints = testsupport::RepaintRecorder::attachTo (still);
    setLevels (still, 0.5f, 0.5f);
    EXPECT_EQ (repaints.areas(), (Rects { { 73, 73, 136, 136 } })) << "141 +- (64.5 + 3)";
    setLevels (still, 0.5f, 0.5f);
    still.setScale (4);
    still.setScale (4);
    EXPECT_EQ (repaints.count(), 2) << "a repeated level or scale changes nothing";

    // Radii of 129 px times the level: moves short of 1/256 px from the picture shown change no
    // pixel, however many come in a row; the one that adds up to more repaints.
    for (const auto& [level, count] : { std::pair<float, int> { 0.50001f, 2 }, { 0.50002f, 2 }, { 0.50003f, 2 }, { 0.50004f, 3 } })
    {
        setLevels (still, level, level);
        EXPECT_EQ (repaints.count(), count) << level;
    }

    still.stereo = false;
    EXPECT_TRUE (still.needsRepaint()) << "the 5.1 picture must replace the stereo one";
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
           { 0.0f, 0.5f, { c.x - step, c.y - step } }, { 0.5f, -0.5f, { c.x + 2.0f * step, c.y } },
           { 1.5f, 0.0f, vectorscopePoint (1.0f, 0.0f, r, c) }, { qNaN, 0.0f, c }, { 0.0f, inf, c } })
        EXPECT_LT (vectorscopePoint (right, left, r, c).getDistanceFrom (expected), 1.0e-3f) << right << ", " << left;
}

TEST (Vectroscope, BuildsOneFrameForEveryReadyRunKeepingTheSixteenNewestOnlyWhileChosen)
{
    VectorscopeSource source;
    auto scope = makeScope (source);
    scope.setSize (283, 283);
    const auto pointFor = [] (float right, float left) { return vectorscopePoint (right, left, 141.5f, { 141.5f, 141.5f }); };

    // Until the display choice is the vectorscope, a slice takes nothing and rests long.
    pushRuns (source, 10, {});
    EXPECT_EQ (scope.useTimeSlice(), OVEXVectroscope::inactiveWaitMs);
    EXPECT_EQ (std::make_pair (scope.getFrameCount(), source.getNumReady()), std::make_pair (0, 10 * 64));

    scope.setActive (true);
    EXPECT_EQ (scope.useTimeSlice(), editorRefreshIntervalMs) << "nothing left to wait for";
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
    EXPECT_EQ (scope.useTimeSlice(), 0) << "called again at once while whole runs remain";
    EXPECT_EQ (source.getNumReady(), 36 * 64) << "at most 64 runs per call";

    // The chosen roles drive the axes: LS (channel 4) is the right input, L the left.
    scope.setLeftChannel ("L");
    scope.setRightChannel ("LS");
    scope.useTimeSlice(); // the 36 runs still queued
    pushRuns (source, 1, { 0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f });
    juce::AudioSampleBuffer almost (6, 63);
    almost.clear();
    source.pushBlock (almost);
    EXPECT_EQ (scope.useTimeSlice(), editorRefreshIntervalMs);
    EXPECT_EQ (scope.getFrame (0)[63], pointFor (0.5f, 0.1f));
    EXPECT_EQ (source.getNumReady(), 63) << "63 samples make no frame";

    // Choosing the sound field drops the frames, so the vectorscope never comes back with old ones.
    scope.setActive (false);
    pushRuns (source, 1, {});
    scope.useTimeSlice();
    EXPECT_EQ (std::make_pair (scope.getFrameCount(), source.getNumReady()), std::make_pair (0, 127));
}

TEST (Vectroscope, RunsOnAnOwnersThreadWhileItIsPaintedAndResizedAsThreadSanitizerJudges)
{
    VectorscopeSource source;
    auto scope = makeScope (source);
    scope.setSize (283, 283);
    scope.setActive (true);
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
}

//==============================================================================
TEST (DisplayRendering, BarsClampRepaintTheRowsThatMoveAndShowTheirForegroundUpToTheLevelAndAtThePeak)
{
    auto bar = makeTruePeakBar();
    bar.setBounds (0, 0, 20, 480);
    auto& repaints = testsupport::RepaintRecorder::attachTo (bar);
    bar.setLevel (0.5f);
    EXPECT_EQ (repaints.areas(), (Rects { { 0, 240, 20, 240 }, { 0, 240, 20, 2 } })) << "bar and peak";
    repaints.clear();
    bar.setLevel (0.5f);
    EXPECT_EQ (repaints.count(), 0);
    bar.setLevel (-0.5f);
    EXPECT_EQ (bar.getLevel(), 0.0f);
    bar.setLevel (1.7f);
    EXPECT_EQ (std::make_pair (bar.getLevel(), bar.getPeakLevel()), std::make_pair (1.0f, 1.0f));

    // Green below the split at half height, red above it; the held peak is a two-row line.
    const std::tuple<const char*, std::vector<float>, std::vector<Probe>> cases[] {
        { "bar-level-0.9", { 0.9f }, { { 10, 47, bg }, { 10, 48, red }, { 10, 239, red }, { 10, 240, green }, { 10, 479, green } } },
        { "bar-held-peak", { 0.8f, 0.2f },
          { { 10, 95, bg }, { 10, 96, red }, { 10, 97, red }, { 10, 98, bg }, { 10, 383, bg }, { 10, 384, green } } },
    };

    for (const auto& [name, levels, probes] : cases)
    {
        auto shown = makeTruePeakBar();
        shown.setBoundsAndRepaint ({ 66, 8, 20, 480 });

        for (const float level : levels)
            shown.setLevel (level);

        expectPixels (shown, name, probes);
    }

    // The momentary bar: the given foreground, no peak line; int (0.55185 * 483) = 266 rows.
    OVEXJuceVU momentary (testsupport::solidImage (34, 483, bg), testsupport::solidImage (34, 483, green), false, 0, 0);
    momentary.setBoundsAndRepaint ({ 67, 10, 34, 483 });
    momentary.setLevel (0.55185f);
    expectPixels (momentary, "bar-momentary", { { 17, 216, bg }, { 17, 217, green } });
}

TEST (DisplayRendering, RangeStripAndArrowClampKeepWhatIsShownForNonFiniteValuesAndRepaintOnlyTheirRows)
{
    const auto strip = juce::Colours::cyan;
    const auto background = testsupport::solidImage (24, 483, bg);
    OVEXJuceLRVU range (background, testsupport::solidImage (24, 483, strip));
    range.setBoundsAndRepaint ({ 137, 12, 24, 483 });
    auto& rangeRepaints = testsupport::RepaintRecorder::attachTo (range);

    for (const auto& [low, high, shownLow, shownHigh] :
         { std::tuple<float, float, float, float> { -0.5f, 1.7f, 0.0f, 1.0f }, { 0.3f, 0.2f, 0.3f, 0.2f },
           { 0.2f, 0.5f, 0.2f, 0.5f }, { qNaN, inf, 0.2f, 0.5f } })
    {
        range.setRange (low, high);
        EXPECT_EQ (std::make_pair (range.getLow(), range.getHigh()), std::make_pair (shownLow, shownHigh)) << low;
    }

    expectPixels (range, "range-strip", { { 11, 241, bg }, { 11, 242, strip }, { 11, 386, strip }, { 11, 387, bg } });
    rangeRepaints.clear();
    range.setRange (0.2f, 0.5f);
    range.setRange (0.2f, 0.6f); // rows 242..386 become 194..386
    EXPECT_EQ (rangeRepaints.areas(), (Rects { { 0, 194, 24, 48 } }));
    range.setRange (0.3f, 0.2f);
    expectPixels (range, "range-reversed", { { 11, 300, bg }, { 11, 386, bg } });

    OVEXJuceArrowVU arrow (background, testsupport::solidImage (24, 26, strip));
    arrow.setBoundsAndRepaint ({ 161, 12, 24, 483 });
    auto& arrowRepaints = testsupport::RepaintRecorder::attachTo (arrow);

    for (const auto& [input, shown] : { std::pair<float, float> { 1.7f, 1.0f }, { -3.0f, 0.0f }, { 0.5f, 0.5f },
                                        { qNaN, 0.5f }, { -inf, 0.5f } })
    {
        arrow.setValue (input);
        EXPECT_EQ (arrow.getValue(), shown) << input;
    }

    expectPixels (arrow, "arrow-half", { { 12, 228, bg }, { 12, 229, strip }, { 12, 254, strip }, { 12, 255, bg } });
    arrowRepaints.clear();
    arrow.setValue (0.5f);
    arrow.setValue (0.51f); // the arrow's top row moves from 229 to 224
    EXPECT_EQ (arrowRepaints.areas(), (Rects { { 0, 224, 24, 31 } }));
}

TEST (DisplayRendering, BarsAreOpaqueOnlyWhileTheirBackgroundCoversThemWithOpaquePixels)
{
    // Opaque, a bar is painted with nothing behind it: a background that leaves a pixel uncovered
    // or see-through would show whatever was there before.
    const auto covering = testsupport::solidImage (24, 483, bg);
    auto seeThrough = testsupport::solidImage (24, 483, bg);
    seeThrough.setPixelAt (3, 400, bg.withAlpha (0.5f));

    for (const auto& [name, background, opaque] :
         { std::tuple<const char*, juce::Image, bool> { "covering", covering, true },
           { "four rows short", testsupport::solidImage (24, 479, bg), false }, { "see-through", seeThrough, false } })
    {
        OVEXJuceVU bar (background, background, false, 0, 0);
        OVEXJuceLRVU range (background, background);
        OVEXJuceArrowVU arrow (background, testsupport::solidImage (24, 26, green));

        for (juce::Component* c : std::vector<juce::Component*> { &bar, &range, &arrow })
        {
            c->setBounds (0, 0, 24, 483);
            EXPECT_EQ (c->isOpaque(), opaque) << name << " " << c->getName();
        }

        arrow.setBackground (covering);
        EXPECT_TRUE (arrow.isOpaque()) << name << ": a background handed over later counts as well";
    }
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
    scope.setActive (true);
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
    scope.setActive (true);

    for (const int n : { INT_MIN, -5, 0, INT_MAX })
    {
        bar.setHoldTime (n);
        meter.setScaleMode (n);
        field.setScale (n);
    }

    for (const float v : { 0.3f, qNaN, inf, -inf, 1.0e30f, -1.0e30f, -5.0f })
    {
        const auto shown = std::make_tuple (bar.getLevel(), range.getLow(), arrow.getValue(), meter.getLevel(), field.getLevels());

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
        pushRuns (source, 1, { v, v, v, v, v, v });
        scope.setRightChannel ("nonsense");
        scope.setSize (v > 0.0f ? 0 : 283, 283);
        scope.useTimeSlice();

        for (juce::Component* c : std::vector<juce::Component*> { &bar, &range, &arrow, &meter, &field, &scope })
            testsupport::renderToImage (*c);

        const auto now = std::make_tuple (bar.getLevel(), range.getLow(), arrow.getValue(), meter.getLevel(), field.getLevels());
        EXPECT_TRUE (std::isfinite (v) || now == shown) << "a non-finite value keeps what is shown";

        const auto inUnitRange = [] (float x) { return x >= 0.0f && x <= 1.0f; };
        EXPECT_TRUE (inUnitRange (bar.getLevel()) && inUnitRange (bar.getPeakLevel()) && inUnitRange (range.getLow())
                     && inUnitRange (range.getHigh()) && inUnitRange (arrow.getValue()));
        EXPECT_TRUE (std::all_of (field.getLevels().begin(), field.getLevels().end(), inUnitRange)) << v;

        for (const auto& point : scope.getFrame (0))
            EXPECT_TRUE (std::isfinite (point.x) && std::isfinite (point.y)) << v;
    }

}
