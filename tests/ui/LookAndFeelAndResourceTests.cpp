#include "ComponentRendering.h"
#include "NolvColours.h"
#include "NolvLookAndFeel.h"
#include "NolvResources.h"
#include "NolvWidgets.h"
#include "ScaleImageLayout.h"
#include "TestImages.h"

#include <gtest/gtest.h>

TEST (Resources, EveryImageDecodesAtItsListedSizeAndFacesShowTheirState)
{
    for (const auto& entry : nolvImageEntries)
    {
        const auto image = nolvImage (entry.id);
        EXPECT_EQ (std::make_pair (image.getWidth(), image.getHeight()), std::make_pair (entry.width, entry.height)) << entry.fileStem;
    }

    // Screenshot probes tell a button's state by these fills, away from the caption.
    const std::tuple<NolvImageId, int, int, juce::Colour> probes[] {
        { NolvImageId::playStopOff, 50, 8, nolvColours::control }, { NolvImageId::playStopOn, 50, 8, nolvColours::green },
        { NolvImageId::lockOn, 50, 8, nolvColours::red },          { NolvImageId::ebuOn, 37, 6, nolvColours::blue },
        { NolvImageId::ledOff, 19, 8, nolvColours::ledOff },       { NolvImageId::arrow, 2, 2, juce::Colours::transparentBlack },
    };

    for (const auto& [id, x, y, colour] : probes)
        EXPECT_EQ (nolvImage (id).getPixelAt (x, y), colour) << nolvImageEntry (id).fileStem;
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

TEST (ScaleImages, TicksAndReferenceLinesSitWhereTheBarLawPutsTheirLevels)
{
    using namespace scaleImageLayout;

    // Rows worked out by hand: the top, the target and the foot of the meter column.
    EXPECT_EQ (loudnessRow (scaleRanges::ebu18, -5.0f), 5);
    EXPECT_EQ (loudnessRow (scaleRanges::ebu18, -23.0f), 222);
    EXPECT_EQ (loudnessRow (scaleRanges::ebu18, -59.0f), 488);
    EXPECT_EQ (loudnessRow (scaleRanges::atsc9, -24.0f), 222);
    EXPECT_EQ (truePeakRow (-18.0f), 227);
    EXPECT_EQ (truePeakRow (-20.0f), 243);

    for (const auto& scale : loudnessScaleImages)
    {
        const auto image = nolvImage (scale.id);
        int ticks = 0;

        for (float level = scale.range.first; level <= scale.range.second; level += scale.step, ++ticks)
        {
            const int y = loudnessRow (scale.range, level);
            const auto tick = level == scale.target ? nolvColours::green : nolvColours::fieldBackground;
            EXPECT_EQ (image.getPixelAt (tickLeft + tickWidth - 1, y), tick) << nolvImageEntry (scale.id).fileStem << " " << level;
            EXPECT_EQ (image.getPixelAt (tickLeft + tickWidth - 1, y - 1), nolvColours::background) << level;
        }

        EXPECT_EQ (ticks, 10);
    }

    // Between the first two bars only the reference line is drawn; under the bars stays black.
    const int gapX = truePeakBarColumns[0] + truePeakBarWidth + 10;

    for (const auto& [id, line, noLine] : { std::tuple (NolvImageId::truePeakBackgroundRef18, 227, 243),
                                            std::tuple (NolvImageId::truePeakBackgroundRef20, 243, 227) })
    {
        const auto image = nolvImage (id);
        EXPECT_EQ (image.getPixelAt (gapX, line), nolvColours::blue) << line;
        EXPECT_NE (image.getPixelAt (gapX, noLine), nolvColours::blue) << line;

        for (const auto column : truePeakBarColumns)
            EXPECT_EQ (image.getPixelAt (column + truePeakBarWidth / 2, truePeakRow (-6.0f)), nolvColours::background);
    }
}

TEST (LookAndFeel, ComboBoxIsFlatWithArrowsOnlyWhenEnabled)
{
    NolvLookAndFeel lookAndFeel;
    juce::ComboBox box;
    styleComboBox (box, lookAndFeel);
    box.setBounds (0, 0, 200, 24);

    // The arrow button is the right-hand 20 px: arrows at 38 % and 62 % of its height.
    const auto enabled = testsupport::renderArtifact (box, "combo-enabled.png");
    box.setEnabled (false);
    const auto disabled = testsupport::renderArtifact (box, "combo-disabled.png");
    box.setLookAndFeel (nullptr);

    EXPECT_EQ (enabled.getPixelAt (190, 9), nolvColours::comboArrow);
    EXPECT_EQ (enabled.getPixelAt (190, 14), nolvColours::comboArrow);
    EXPECT_EQ (enabled.getPixelAt (182, 3), nolvColours::control) << "no gradient in the button";

    EXPECT_EQ (disabled.getPixelAt (0, 5), nolvColours::control) << "outline frame";
    EXPECT_EQ (disabled.getPixelAt (190, 9), nolvColours::control) << "no arrows when disabled";
    EXPECT_EQ (disabled.getPixelAt (182, 12), nolvColours::control) << "no fading";
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
    const auto half = testsupport::renderArtifact (slider, "bar-slider.png");
    slider.setValue (0.0);
    const auto empty = testsupport::renderToImage (slider);
    slider.setLookAndFeel (nullptr);

    EXPECT_TRUE (testsupport::coloursMatch (half.getPixelAt (50, 3), nolvColours::sliderBar.withMultipliedSaturation (0.9f)));
    EXPECT_EQ (half.getPixelAt (50, 3), half.getPixelAt (50, 20)) << "no gradient";
    EXPECT_EQ (half.getPixelAt (150, 12), nolvColours::control);
    EXPECT_EQ (empty.getPixelAt (1, 12), nolvColours::control) << "an empty bar draws nothing over the background";
}

TEST (Widgets, ImageButtonShowsItsFaceAtFullSizeWithNoFrameWhenOn)
{
    ButtonFaces faces;
    faces.normal = testsupport::solidImage (20, 9, nolvColours::ledOff);
    faces.normalOn = testsupport::solidImage (20, 9, nolvColours::red);
    auto button = makeImageButton (faces, true);
    button->setBounds (0, 0, 20, 9);
    button->setToggleState (true, juce::dontSendNotification);

    const auto image = testsupport::renderToImage (*button);
    for (const auto& [x, y] : { std::pair (0, 0), std::pair (19, 0), std::pair (0, 8), std::pair (19, 8) })
        EXPECT_EQ (image.getPixelAt (x, y), nolvColours::red) << x << ", " << y;

    button->setToggleState (false, juce::dontSendNotification);
    EXPECT_EQ (testsupport::renderToImage (*button).getPixelAt (0, 0), nolvColours::ledOff);
}
