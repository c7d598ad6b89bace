#include "ComponentRendering.h"
#include "NolvColours.h"
#include "OVEXCorrelationMeter.h"
#include "OVEXDrawVectorscope.h"
#include "OVEXJuceArrowVU.h"
#include "OVEXJuceLRVU.h"
#include "OVEXJuceVU.h"
#include "OVEXVectroscope.h"
#include "TestImages.h"
#include "VectorscopeSource.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <iostream>
#include <limits>
#include <sstream>

namespace
{
const juce::Colour barBackground { 0xff202020 };
const juce::Colour black { 0xff000000 };

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
        EXPECT_TRUE (testsupport::coloursMatch (image.getPixelAt (p.x, p.y), p.colour))
            << name << " at (" << p.x << ", " << p.y << "): " << image.getPixelAt (p.x, p.y).toDisplayString (true)
            << ", expected " << p.colour.toDisplayString (true);
}

/** With no release time each level is its input. */
std::unique_ptr<OVEXDrawVectorscope> makeSoundField()
{
    auto field = std::make_unique<OVEXDrawVectorscope> (283, black, nolvColours::whiteSmoke, nolvColours::green,
                                                         nolvColours::red, nolvColours::blue, juce::Font (9.0f));
    field->setReleaseTime (0.0f);
    return field;
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
    const auto truePeakBar = []
    {
        return std::make_unique<OVEXJuceVU> (testsupport::solidImage (20, 480, barBackground), nolvColours::green,
                                             nolvColours::red, true, 1000, 50, 0.5f);
    };

    const struct
    {
        const char* name;
        std::vector<float> levels;
        std::vector<Probe> probes;
    } cases[] = {
        { "bar-level-half", { 0.5f }, { { 10, 239, barBackground }, { 10, 240, nolvColours::green }, { 10, 479, nolvColours::green } } },
        { "bar-level-0.9",
          { 0.9f },
          { { 10, 47, barBackground }, { 10, 48, nolvColours::red }, { 10, 239, nolvColours::red }, { 10, 240, nolvColours::green } } },
        { "bar-held-peak",
          { 0.8f, 0.2f },
          { { 10, 95, barBackground }, { 10, 96, nolvColours::red }, { 10, 97, nolvColours::red }, { 10, 98, barBackground },
            { 10, 383, barBackground }, { 10, 384, nolvColours::green }, { 10, 479, nolvColours::green } } },
        { "bar-empty", { 0.0f }, { { 10, 0, barBackground }, { 10, 479, barBackground } } },
    };

    for (const auto& c : cases)
    {
        auto bar = truePeakBar();
        bar->setBoundsAndRepaint ({ 66, 8, 20, 480 });

        for (const float level : c.levels)
            bar->setLevel (level);

        expectProbes (renderAndKeep (*bar, c.name), c.probes, c.name);
    }

    // The momentary bar: the given foreground and no peak line; int (0.55185 * 483) = 266 rows.
    OVEXJuceVU momentary (testsupport::solidImage (34, 483, barBackground),
                          testsupport::solidImage (34, 483, nolvColours::blue), false, 0, 0);
    momentary.setBoundsAndRepaint ({ 67, 10, 34, 483 });
    momentary.setLevel (0.55185f);
    expectProbes (renderAndKeep (momentary, "bar-momentary"), { { 17, 216, barBackground }, { 17, 217, nolvColours::blue } },
                  "momentary");
    momentary.setLevel (0.1f);
    expectProbes (testsupport::renderToImage (momentary), { { 17, 217, barBackground }, { 17, 435, nolvColours::blue } },
                  "momentary after a fall");
}

TEST (DisplayRendering, RangeStripAndArrowSitOnTheirRows)
{
    const auto strip = juce::Colours::cyan;
    OVEXJuceLRVU range (testsupport::solidImage (22, 483, barBackground), testsupport::solidImage (22, 483, strip));
    range.setBoundsAndRepaint ({ 137, 12, 22, 483 });
    range.setRange (0.2f, 0.5f);
    expectProbes (renderAndKeep (range, "range-strip"),
                  { { 11, 241, barBackground }, { 11, 242, strip }, { 11, 386, strip }, { 11, 387, barBackground } },
                  "range");

    range.setRange (0.3f, 0.2f);
    expectProbes (renderAndKeep (range, "range-reversed"), { { 11, 300, barBackground }, { 11, 386, barBackground } },
                  "reversed range");

    const auto arrowColour = juce::Colours::orange;
    OVEXJuceArrowVU arrow (testsupport::solidImage (24, 479, barBackground),
                           testsupport::solidImage (24, 26, arrowColour));
    arrow.setBoundsAndRepaint ({ 161, 12, 24, 483 });
    arrow.setValue (0.5f);
    expectProbes (renderAndKeep (arrow, "arrow-half"),
                  { { 12, 228, barBackground }, { 12, 229, arrowColour }, { 12, 254, arrowColour }, { 12, 255, barBackground } },
                  "arrow");
}

TEST (DisplayRendering, CorrelationMarkerTakesTheColourOfItsZone)
{
    const struct
    {
        const char* name;
        int width, scaleMode;
        float value;
        std::vector<Probe> probes;
    } cases[] = {
        { "correlation-zero",
          292, 2, 0.0f,
          { { 143, 5, juce::Colours::yellow }, { 146, 9, juce::Colours::yellow }, { 4, 2, nolvColours::frame },
            { 150, 14, black } } },
        { "correlation-anti-phase", 292, 2, -1.0f, { { 2, 6, nolvColours::pureRed }, { 3, 9, nolvColours::pureRed } } },
        { "correlation-anti-phase-small", 130, 1, -1.0f, { { 4, 6, nolvColours::pureRed }, { 5, 9, nolvColours::pureRed } } },
        { "correlation-in-phase", 292, 2, 1.0f, { { 284, 6, nolvColours::green }, { 285, 9, nolvColours::green } } },
    };

    for (const auto& c : cases)
    {
        OVEXCorrelationMeter meter (c.width, 37, black, nolvColours::pureRed, nolvColours::green, juce::Colours::yellow,
                                    nolvColours::frame, juce::Font (9.0f), "L", "R");
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

    auto fieldOwner = makeSoundField();
    auto& field = *fieldOwner;
    field.setScale (4);
    field.setOverloadLevel (-1.0f);
    setLevels (field, 0.0f, 0.0f);
    expectProbes (renderAndKeep (field, "sound-field-band"), { { 141, 261, band }, { 141, 241, black } }, "band");

    field.setScale (10);
    expectProbes (renderAndKeep (field, "sound-field-loudness-scale"), { { 141, 261, black } }, "no band");

    field.setScale (4);
    field.stereo = false;
    setLevels (field, 1.0f, 0.0f);
    expectProbes (renderAndKeep (field, "sound-field-full"), { { 141, 193, polygon }, { 56, 56, nolvColours::red } },
                  "full 5.1");

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
    OVEXVectroscope scope (&source, nolvColours::green, juce::Colours::white, black, false);
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
    EXPECT_EQ (image.getPixelAt (191, 91), nolvColours::green) << "the newest frame at full strength";
    EXPECT_EQ (image.getPixelAt (0, 0), juce::Colours::white) << "frame";
    EXPECT_EQ (image.getPixelAt (141, 260), black) << "off the axes";

    const auto onAxis = image.getPixelAt (200, 200);
    EXPECT_GE (juce::jmin (onAxis.getRed(), onAxis.getGreen(), onAxis.getBlue()), 0x80) << "the falling axis";
}

TEST (DisplayRendering, EveryComponentSurvivesAnyInput)
{
    const float hostile[] = { std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                              -std::numeric_limits<float>::infinity(), 1.0e30f, -1.0e30f, -5.0f, 5.0f };
    const int hostileInts[] = { INT_MIN, -5, 0, 3, INT_MAX };

    AssertionCapture assertions;

    OVEXJuceVU bar (testsupport::solidImage (20, 480, barBackground), nolvColours::green, nolvColours::red, true, 1000,
                    50, 0.5f);
    bar.setBounds (0, 0, 20, 480);
    bar.ballisticsEnabled = true;
    OVEXJuceLRVU range (testsupport::solidImage (22, 483, barBackground), testsupport::solidImage (22, 483, black));
    range.setBounds (0, 0, 22, 483);
    OVEXJuceArrowVU arrow (testsupport::solidImage (24, 479, barBackground), testsupport::solidImage (24, 26, black));
    arrow.setBounds (0, 0, 24, 483);
    OVEXCorrelationMeter meter (292, 37, black, nolvColours::pureRed, nolvColours::green, juce::Colours::yellow,
                                nolvColours::frame, juce::Font (9.0f), "L", "R");
    auto fieldOwner = makeSoundField();
    auto& field = *fieldOwner;
    VectorscopeSource source;
    OVEXVectroscope scope (&source, nolvColours::green, juce::Colours::white, black, false);
    scope.setBounds (0, 0, 283, 283);

    for (const int n : hostileInts)
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

        for (juce::Component* c : std::initializer_list<juce::Component*> { &bar, &range, &arrow, &meter, &field, &scope })
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
