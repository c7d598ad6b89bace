#include "ComponentRendering.h"
#include "NolvColours.h"
#include "NolvLookAndFeel.h"
#include "NolvResources.h"
#include "NolvWidgets.h"
#include "ScaleImageLayout.h"

#include <gtest/gtest.h>

namespace
{
juce::File artifact (const char* name)
{
    return juce::File (NOLV_ARTIFACT_DIR).getChildFile (name);
}

struct CapturingLogger : public juce::Logger
{
    void logMessage (const juce::String& message) override { messages.add (message); }
    juce::StringArray messages;
};
} // namespace

TEST (Resources, EveryImageDecodesAtItsListedSize)
{
    for (const auto& spec : nolvImageSpecs)
    {
        const auto image = nolvImage (spec.id);
        ASSERT_TRUE (image.isValid()) << spec.fileStem;
        EXPECT_EQ (image.getWidth(), spec.width) << spec.fileStem;
        EXPECT_EQ (image.getHeight(), spec.height) << spec.fileStem;
    }
}

TEST (Resources, FacesCarryTheirRolesFillAboveTheCaption)
{
    struct Probe
    {
        NolvImageId id;
        juce::Point<int> point;
        juce::Colour colour;
    };

    // Screenshot probes find a button's state by these fills, away from the caption text.
    const Probe probes[] {
        { NolvImageId::playStopOff, { 50, 8 }, nolvColours::control },
        { NolvImageId::playStopOffHover, { 50, 8 }, nolvColours::controlHover },
        { NolvImageId::playStopOn, { 50, 8 }, nolvColours::green },
        { NolvImageId::lockOn, { 50, 8 }, nolvColours::red },
        { NolvImageId::settingsHover, { 50, 97 }, nolvColours::blue },
        { NolvImageId::settingsOff, { 50, 97 }, nolvColours::control },
        { NolvImageId::ebuOn, { 37, 6 }, nolvColours::blue },
        { NolvImageId::lkfsOff, { 37, 6 }, nolvColours::control },
        { NolvImageId::fiveOneDisabled, { 62, 6 }, nolvColours::controlDisabled },
        { NolvImageId::connectOn, { 55, 4 }, nolvColours::green },
        { NolvImageId::ledOn, { 0, 0 }, nolvColours::red },
        { NolvImageId::ledOff, { 19, 8 }, nolvColours::ledOff },
        { NolvImageId::momentaryBarForeground, { 17, 0 }, nolvColours::blue },
        { NolvImageId::rangeBarForeground, { 11, 482 }, nolvColours::sliderBar },
        { NolvImageId::truePeakBarBackground, { 10, 240 }, nolvColours::barBackground },
        { NolvImageId::valueBox, { 0, 43 }, nolvColours::frame },
        { NolvImageId::valueBox, { 38, 43 }, nolvColours::background },
        { NolvImageId::arrow, { 20, 13 }, nolvColours::text },
        { NolvImageId::arrow, { 2, 2 }, juce::Colours::transparentBlack },
    };

    for (const auto& probe : probes)
        EXPECT_EQ (nolvImage (probe.id).getPixelAt (probe.point.x, probe.point.y), probe.colour)
            << nolvImageSpec (probe.id).fileStem << " at " << probe.point.toString();
}

TEST (ScaleImages, LoudnessTicksSitWhereTheBarLawPutsTheirLevels)
{
    using namespace scaleImageLayout;

    // Rows worked out by hand: the top, the target and the foot of the meter column.
    EXPECT_EQ (loudnessRow (scaleRanges::ebu18, -5.0f), 5);
    EXPECT_EQ (loudnessRow (scaleRanges::ebu18, -23.0f), 222);
    EXPECT_EQ (loudnessRow (scaleRanges::ebu18, -59.0f), 488);
    EXPECT_EQ (loudnessRow (scaleRanges::ebu9, -14.0f), 5);
    EXPECT_EQ (loudnessRow (scaleRanges::atsc9, -24.0f), 222);

    for (const auto& scale : loudnessScaleImages)
    {
        const auto image = nolvImage (scale.id);
        const auto* name = nolvImageSpec (scale.id).fileStem;
        int ticks = 0;

        for (float level = scale.range.first; level <= scale.range.second; level += scale.step, ++ticks)
        {
            const int pixel = BarScale::make (scale.range).pixel (level, 569);
            const int y = 488 - 483 * pixel / 569;
            const auto tick = level == scale.target ? nolvColours::green : nolvColours::fieldBackground;

            EXPECT_EQ (y, loudnessRow (scale.range, level));
            EXPECT_EQ (image.getPixelAt (tickLeft + tickWidth - 1, y), tick) << name << " " << level;
            EXPECT_EQ (image.getPixelAt (tickLeft + tickWidth - 1, y - 1), nolvColours::background) << name << " " << level;
            EXPECT_EQ (image.getPixelAt (tickLeft + tickWidth, y), nolvColours::background) << name << " " << level;
        }

        EXPECT_EQ (ticks, 10) << name;
    }
}

TEST (ScaleImages, TruePeakBackgroundsDrawTheirReferenceLineOnly)
{
    using namespace scaleImageLayout;

    EXPECT_EQ (truePeakRow (0.0f), 57);
    EXPECT_EQ (truePeakRow (-18.0f), 227);
    EXPECT_EQ (truePeakRow (-20.0f), 243);
    EXPECT_EQ (truePeakRow (-60.0f), 480);

    const auto ref18 = nolvImage (NolvImageId::truePeakBackgroundRef18);
    const auto ref20 = nolvImage (NolvImageId::truePeakBackgroundRef20);

    // Between the first two bars, where only the scale's own marks are drawn.
    const int gapX = truePeakBarColumns[0] + truePeakBarWidth + 10;

    EXPECT_EQ (ref18.getPixelAt (gapX, 227), nolvColours::blue);
    EXPECT_NE (ref18.getPixelAt (gapX, 243), nolvColours::blue);
    EXPECT_EQ (ref20.getPixelAt (gapX, 243), nolvColours::blue);
    EXPECT_NE (ref20.getPixelAt (gapX, 227), nolvColours::blue);

    for (const auto& background : truePeakBackgrounds)
    {
        const auto image = nolvImage (background.id);

        for (const auto level : truePeakTickLevels)
        {
            // The reference line runs through its own tick.
            const auto tick = level == background.referenceLevel ? nolvColours::blue : nolvColours::fieldBackground;
            const int y = 480 - 480 * BarScale::make (scaleRanges::truePeak).pixel (level, 569) / 569;
            EXPECT_EQ (image.getPixelAt (truePeakBarColumns[0] - 2, y), tick) << background.referenceLevel << " " << level;
        }

        // Under the bars the background stays black, so an empty bar shows no stray marks.
        for (const auto column : truePeakBarColumns)
            EXPECT_EQ (image.getPixelAt (column + truePeakBarWidth / 2, truePeakRow (-6.0f)), nolvColours::background);
    }
}

TEST (Resources, LabelFontFitsTheReadOutBoxes)
{
    ASSERT_NE (nolvTypeface(), nullptr);
    EXPECT_EQ (nolvTypeface()->getName() + " " + nolvTypeface()->getStyle(), "DejaVu Sans Condensed");

    // A label keeps 5 px each side: a 76-px value box leaves 66 px, the timecode field 135 px.
    EXPECT_LE (nolvFont (25.0f).getStringWidthFloat ("-23.0 "), 66.0f);
    EXPECT_LE (nolvFont (23.0f).getStringWidthFloat ("00:00:00:000"), 135.0f);
    EXPECT_GT (nolvFont (23.0f).getStringWidthFloat ("00:00:00:000"), 60.0f);
}

TEST (LookAndFeel, ComboBoxIsFlatWithArrowsOnlyWhenEnabled)
{
    NolvLookAndFeel lookAndFeel;
    juce::ComboBox box;
    styleComboBox (box, lookAndFeel);
    box.setBounds (0, 0, 200, 24);

    // The button is what the text label leaves on the right: from x = w + 4 - h to the edge.
    const float buttonX = 180.0f, buttonW = 20.0f, buttonH = 24.0f;
    const auto upCentroid = juce::Point<int> ((int) (buttonX + 0.5f * buttonW), (int) (0.38f * buttonH));
    const auto downCentroid = juce::Point<int> ((int) (buttonX + 0.5f * buttonW), (int) (0.62f * buttonH));
    const auto buttonInterior = juce::Point<int> ((int) (buttonX + 0.12f * buttonW), (int) (0.5f * buttonH));

    const auto enabled = testsupport::renderToImage (box);
    box.setEnabled (false);
    const auto disabled = testsupport::renderToImage (box);
    box.setLookAndFeel (nullptr);
    testsupport::writePng (enabled, artifact ("combo-enabled.png"));
    testsupport::writePng (disabled, artifact ("combo-disabled.png"));

    EXPECT_EQ (enabled.getPixelAt (upCentroid.x, upCentroid.y), nolvColours::comboArrow);
    EXPECT_EQ (enabled.getPixelAt (downCentroid.x, downCentroid.y), nolvColours::comboArrow);
    EXPECT_EQ (enabled.getPixelAt (buttonInterior.x, buttonInterior.y), nolvColours::control);
    EXPECT_EQ (enabled.getPixelAt (buttonInterior.x, 3), nolvColours::control) << "no gradient in the button";

    EXPECT_EQ (disabled.getPixelAt (0, 5), nolvColours::control) << "outline frame";
    EXPECT_EQ (disabled.getPixelAt (upCentroid.x, upCentroid.y), nolvColours::control) << "no arrows when disabled";
    EXPECT_EQ (disabled.getPixelAt (buttonInterior.x, buttonInterior.y), nolvColours::control) << "no fading";
    EXPECT_EQ (disabled.getPixelAt (60, 12), nolvColours::fieldBackground);
}

TEST (LookAndFeel, BarSliderIsAFlatBarOverTheBackground)
{
    NolvLookAndFeel lookAndFeel;
    juce::Slider slider;
    styleBarSlider (slider, lookAndFeel, false);
    slider.setTextBoxStyle (juce::Slider::NoTextBox, false, 0, 0);
    slider.setRange (0.0, 200.0, 1.0);
    slider.setBounds (0, 0, 200, 24);

    slider.setValue (100.0);
    const auto half = testsupport::renderToImage (slider);
    slider.setValue (0.0);
    const auto empty = testsupport::renderToImage (slider);
    slider.setLookAndFeel (nullptr);
    testsupport::writePng (half, artifact ("bar-slider.png"));

    const auto bar = nolvColours::sliderBar.withMultipliedSaturation (0.9f);
    EXPECT_TRUE (testsupport::coloursMatch (half.getPixelAt (50, 3), bar));
    EXPECT_EQ (half.getPixelAt (50, 3), half.getPixelAt (50, 20)) << "no gradient";
    EXPECT_EQ (half.getPixelAt (150, 12), nolvColours::control);
    EXPECT_EQ (empty.getPixelAt (1, 12), nolvColours::control) << "an empty bar draws nothing over the background";
}

TEST (LookAndFeel, ThumbPaintWritesOneLogLine)
{
    NolvLookAndFeel lookAndFeel;
    juce::Slider slider (juce::Slider::LinearHorizontal, juce::Slider::NoTextBox);
    slider.setBounds (0, 0, 100, 20);

    CapturingLogger logger;
    juce::Logger::setCurrentLogger (&logger);
    juce::Image image (juce::Image::ARGB, 100, 20, true);
    juce::Graphics g (image);
    lookAndFeel.drawLinearSliderThumb (g, 0, 0, 100, 20, 12.5f, 0.0f, 100.0f, juce::Slider::LinearHorizontal, slider);
    juce::Logger::setCurrentLogger (nullptr);

    ASSERT_EQ (logger.messages.size(), 1);
    EXPECT_EQ (logger.messages[0], "sliderPos:12.5min:0max:100");
}

TEST (Widgets, ImageButtonShowsItsFaceAtFullSizeWithNoFrameWhenOn)
{
    juce::Image led (juce::Image::ARGB, 20, 9, true);
    led.clear (led.getBounds(), nolvColours::red);
    juce::Image dark (juce::Image::ARGB, 20, 9, true);
    dark.clear (dark.getBounds(), nolvColours::ledOff);

    ButtonFaces faces;
    faces.normal = dark;
    faces.normalOn = led;
    auto button = makeImageButton (faces, true);
    button->setBounds (0, 0, 20, 9);
    button->setToggleState (true, juce::dontSendNotification);

    const auto image = testsupport::renderToImage (*button);
    for (const auto corner : { juce::Point<int> (0, 0), juce::Point<int> (19, 0), juce::Point<int> (0, 8), juce::Point<int> (19, 8) })
        EXPECT_EQ (image.getPixelAt (corner.x, corner.y), nolvColours::red) << corner.toString();

    button->setToggleState (false, juce::dontSendNotification);
    EXPECT_EQ (testsupport::renderToImage (*button).getPixelAt (0, 0), nolvColours::ledOff);
}
