#include "ComponentRendering.h"
#include "DisplayTestComponents.h"
#include "NolvColours.h"
#include "OVEXJuceArrowVU.h"
#include "OVEXJuceLRVU.h"
#include "VectorscopeSource.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <iostream>
#include <limits>
#include <sstream>

using namespace displaytest;

namespace
{
const juce::Colour black = nolvColours::background;
const juce::Colour green = nolvColours::green;
const juce::Colour red = nolvColours::red;
const juce::Colour pureRed = nolvColours::pureRed;
const juce::Colour bg = barBackground;

/** Paints the component and leaves the picture under the build folder for a reader to open. */
juce::Image renderAndKeep (juce::Component& component, const juce::String& name)
{
    const auto image = testsupport::renderToImage (component);
    testsupport::writePng (image, juce::File (NOLV_ARTIFACT_DIR).getChildFile (name + ".png"));
    return image;
}

struct Probe
{
    int x, y;
    juce::Colour colour;
};

void expectProbes (const juce::Image& image, const std::vector<Probe>& probes, const juce::String& name)
{
    for (const auto& p : probes)
    {
        const auto actual = image.getPixelAt (p.x, p.y);
        EXPECT_TRUE (testsupport::coloursMatch (actual, p.colour))
            << name << " at (" << p.x << ", " << p.y << "): " << actual.toDisplayString (true) << ", expected "
            << p.colour.toDisplayString (true);
    }
}

/** Probes down one column: each entry is a row and the colour expected there. */
std::vector<Probe> column (int x, std::initializer_list<std::pair<int, juce::Colour>> rows)
{
    std::vector<Probe> probes;

    for (const auto& [y, colour] : rows)
        probes.push_back ({ x, y, colour });

    return probes;
}

void setLevels (OVEXDrawVectorscope& field, float all, float lfe)
{
    field.setLeftLevel (all);
    field.setRightLevel (all);
    field.setCentreLevel (all);
    field.setLfeLevel (lfe);
    field.setLeftSurroundLevel (all);
    field.setRightSurroundLevel (all);
    field.repaintIfChanged();
}

/** JUCE reports a failed assertion on std::cerr in debug builds; collect it while this lives. */
class AssertionCapture
{
public:
    AssertionCapture() : previous (std::cerr.rdbuf (captured.rdbuf())) {}
    ~AssertionCapture() { std::cerr.rdbuf (previous); }
    std::string text() const { return captured.str(); }

private:
    std::ostringstream captured;
    std::streambuf* previous;
};
} // namespace

TEST (DisplayRendering, BarsShowTheirForegroundUpToTheLevelAndAtThePeak)
{
    const struct
    {
        const char* name;
        std::vector<float> levels;
        std::vector<Probe> probes;
    } cases[] = {
        { "bar-level-half", { 0.5f }, column (10, { { 239, bg }, { 240, green }, { 479, green } }) },
        { "bar-level-0.9", { 0.9f }, column (10, { { 47, bg }, { 48, red }, { 239, red }, { 240, green } }) },
        { "bar-held-peak",
          { 0.8f, 0.2f },
          column (10, { { 95, bg }, { 96, red }, { 97, red }, { 98, bg }, { 383, bg }, { 384, green },
                        { 479, green } }) },
        { "bar-empty", { 0.0f }, column (10, { { 0, bg }, { 479, bg } }) },
    };

    for (const auto& c : cases)
    {
        auto bar = makeTruePeakBar();
        bar.setBoundsAndRepaint ({ 66, 8, 20, 480 });

        for (const float level : c.levels)
            bar.setLevel (level);

        expectProbes (renderAndKeep (bar, c.name), c.probes, c.name);
    }

    // The momentary bar: the given foreground and no peak line; int (0.55185 * 483) = 266 rows.
    const auto blue = nolvColours::blue;
    OVEXJuceVU momentary (testsupport::solidImage (34, 483, bg), testsupport::solidImage (34, 483, blue), false, 0,
                          0);
    momentary.setBoundsAndRepaint ({ 67, 10, 34, 483 });
    momentary.setLevel (0.55185f);
    expectProbes (renderAndKeep (momentary, "bar-momentary"), column (17, { { 216, bg }, { 217, blue } }), "momentary");
    momentary.setLevel (0.1f);
    expectProbes (testsupport::renderToImage (momentary), column (17, { { 217, bg }, { 435, blue } }), "after a fall");
}

TEST (DisplayRendering, RangeStripAndArrowSitOnTheirRows)
{
    const auto strip = juce::Colours::cyan;
    OVEXJuceLRVU range (testsupport::solidImage (22, 483, bg), testsupport::solidImage (22, 483, strip));
    range.setBoundsAndRepaint ({ 137, 12, 22, 483 });
    range.setRange (0.2f, 0.5f);
    expectProbes (renderAndKeep (range, "range-strip"),
                  column (11, { { 241, bg }, { 242, strip }, { 386, strip }, { 387, bg } }), "range");

    range.setRange (0.3f, 0.2f);
    expectProbes (renderAndKeep (range, "range-reversed"), column (11, { { 300, bg }, { 386, bg } }), "reversed");

    const auto pointer = juce::Colours::orange;
    OVEXJuceArrowVU arrow (testsupport::solidImage (24, 479, bg), testsupport::solidImage (24, 26, pointer));
    arrow.setBoundsAndRepaint ({ 161, 12, 24, 483 });
    arrow.setValue (0.5f);
    expectProbes (renderAndKeep (arrow, "arrow-half"),
                  column (12, { { 228, bg }, { 229, pointer }, { 254, pointer }, { 255, bg } }), "arrow");
}

TEST (DisplayRendering, CorrelationMarkerTakesTheColourOfItsZone)
{
    const auto yellow = nolvColours::yellow;
    const struct
    {
        const char* name;
        int width, scaleMode;
        float value;
        std::vector<Probe> probes;
    } cases[] = {
        { "correlation-zero",
          292,
          2,
          0.0f,
          { { 143, 5, yellow }, { 146, 9, yellow }, { 4, 2, nolvColours::frame }, { 150, 14, black } } },
        { "correlation-anti-phase", 292, 2, -1.0f, { { 2, 6, pureRed }, { 3, 9, pureRed } } },
        { "correlation-anti-phase-small", 130, 1, -1.0f, { { 4, 6, pureRed }, { 5, 9, pureRed } } },
        { "correlation-in-phase", 292, 2, 1.0f, { { 284, 6, green }, { 285, 9, green } } },
    };

    for (const auto& c : cases)
    {
        auto meter = makeCorrelationMeter (c.width);
        meter.setScaleMode (c.scaleMode);
        meter.setReleaseTime (0.0f); // a fall shows at once
        meter.setValue (c.value);
        expectProbes (renderAndKeep (meter, c.name), c.probes, c.name);
    }
}

TEST (DisplayRendering, SoundFieldShowsBandPolygonDiscAndOverload)
{
    const juce::Colour band { 0xff270004 };
    const juce::Colour polygon { 0xff004000 };

    auto field = makeSoundField();
    field.setReleaseTime (0.0f); // each level is its input
    field.setScale (4);
    field.setOverloadLevel (-1.0f);
    setLevels (field, 0.0f, 0.0f);
    expectProbes (renderAndKeep (field, "sound-field-band"), { { 141, 261, band }, { 141, 241, black } }, "band");

    field.setScale (10);
    expectProbes (renderAndKeep (field, "sound-field-loudness-scale"), { { 141, 261, black } }, "no band");

    field.setScale (4);
    field.stereo = false;
    setLevels (field, 1.0f, 0.0f);
    expectProbes (renderAndKeep (field, "sound-field-full"), { { 141, 193, polygon }, { 56, 56, red } }, "5.1");

    setLevels (field, 1.0f, 0.5f);
    const auto withDisc = renderAndKeep (field, "sound-field-lfe");
    EXPECT_GT (withDisc.getPixelAt (118, 141).getBlue(), 0x60) << "the LFE disc tints the polygon blue";

    field.setScale (10);
    expectProbes (renderAndKeep (field, "sound-field-lfe-loudness-scale"), { { 118, 141, polygon } },
                  "no disc on a loudness scale");
}

TEST (DisplayRendering, VectorscopeTraceLiesOverItsAxes)
{
    VectorscopeSource source;
    auto scope = makeScope (source);
    scope.setLeftChannel ("L");
    scope.setRightChannel ("R");
    scope.setBounds (9, 6, 283, 283);

    // A ramp on the right input only, through 0.5 at sample 32.
    juce::AudioSampleBuffer rightOnly (6, 64);
    rightOnly.clear();

    for (int i = 0; i < 64; ++i)
        rightOnly.setSample (1, i, (float) i / 64.0f);

    source.pushBlock (rightOnly);
    scope.useTimeSlice();

    const auto image = renderAndKeep (scope, "vectorscope-right-only");
    EXPECT_EQ (image.getPixelAt (191, 91), green) << "the newest frame at full strength";
    EXPECT_EQ (image.getPixelAt (0, 0), juce::Colours::white) << "frame";
    EXPECT_EQ (image.getPixelAt (141, 260), black) << "off the axes";

    const auto onAxis = image.getPixelAt (200, 200);
    EXPECT_GE (juce::jmin (onAxis.getRed(), onAxis.getGreen(), onAxis.getBlue()), 0x80) << "the falling axis";
}

TEST (DisplayRendering, EveryComponentSurvivesAnyInput)
{
    constexpr auto limits = std::numeric_limits<float>();
    const float hostile[] = { limits.quiet_NaN(), limits.infinity(), -limits.infinity(), 1.0e30f, -1.0e30f,
                              -5.0f, 5.0f };

    AssertionCapture assertions;

    auto bar = makeTruePeakBar();
    bar.setBounds (0, 0, 20, 480);
    bar.ballisticsEnabled = true;
    OVEXJuceLRVU range (testsupport::solidImage (22, 483, bg), testsupport::solidImage (22, 483, black));
    range.setBounds (0, 0, 22, 483);
    OVEXJuceArrowVU arrow (testsupport::solidImage (24, 479, bg), testsupport::solidImage (24, 26, black));
    arrow.setBounds (0, 0, 24, 483);
    auto meter = makeCorrelationMeter (292);
    auto field = makeSoundField();
    VectorscopeSource source;
    auto scope = makeScope (source);
    scope.setBounds (0, 0, 283, 283);

    for (const int n : { INT_MIN, -5, 0, 3, INT_MAX })
    {
        bar.setHoldTime (n);
        meter.setScaleMode (n);
        field.setScale (n);
    }

    for (const float v : hostile)
    {
        bar.setAttackTime (v);
        bar.setReleaseTime (v);
        bar.setRefreshRate (v);
        bar.split = v;
        bar.renderBarImage();
        range.setRange (v, 0.5f);
        range.setRange (0.5f, v);
        arrow.setValue (v);
        meter.setAttackTime (v);
        meter.setReleaseTime (v);
        meter.setRefreshRate (v);
        field.setAttackTime (v);
        field.setReleaseTime (v);
        field.setRefreshRate (v);
        field.setOverloadLevel (v);
        field.stereo = ! field.stereo;

        for (int call = 0; call < 3; ++call)
        {
            bar.setLevel (v);
            meter.setValue (v);
            setLevels (field, v, v);
        }

        juce::AudioSampleBuffer samples (6, 64);

        for (int c = 0; c < 6; ++c)
            juce::FloatVectorOperations::fill (samples.getWritePointer (c), v, 64);

        source.pushBlock (samples);
        scope.setRightChannel ("nonsense");
        scope.setSize (v > 0.0f ? 0 : 283, 283);
        scope.useTimeSlice();

        for (juce::Component* c : std::vector<juce::Component*> { &bar, &range, &arrow, &meter, &field, &scope })
            testsupport::renderToImage (*c);

        EXPECT_TRUE (bar.getLevel() >= 0.0f && bar.getLevel() <= 1.0f) << v;
        EXPECT_TRUE (bar.getPeakLevel() >= 0.0f && bar.getPeakLevel() <= 1.0f) << v;
        EXPECT_TRUE (range.getLow() >= 0.0f && range.getHigh() <= 1.0f) << v;
        EXPECT_TRUE (arrow.getValue() >= 0.0f && arrow.getValue() <= 1.0f) << v;
        EXPECT_TRUE (std::isfinite (meter.getLevel())) << v;

        for (const float level : field.getLevels())
            EXPECT_TRUE (level >= 0.0f && level <= 1.0f) << v;

        for (const auto& point : scope.getFrame (0))
            EXPECT_TRUE (std::isfinite (point.x) && std::isfinite (point.y)) << v;
    }

    EXPECT_EQ (assertions.text().find ("JUCE Assertion"), std::string::npos) << assertions.text();
}
