#include "EditorDisplayLogic.h"
#include "NolvColours.h"
#include "RemotePort.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace
{
constexpr float notANumber = std::numeric_limits<float>::quiet_NaN();
constexpr float inf = std::numeric_limits<float>::infinity();
} // namespace

TEST (EditorDisplayLogic, ReadOutsShowOneDecimalAndABlankAboveMinusSixty)
{
    const struct
    {
        float value;
        const char* text;
    } cases[] {
        { -60.0f, "-" }, { -70.0f, "-" }, { -59.9f, "-59.9 " }, { -23.0f, "-23.0 " }, { 0.0f, "0.0 " },
        { 3.25f, "3.3 " }, { notANumber, "-" }, { -inf, "-" }, { inf, "inf " },
    };

    for (const auto& c : cases)
        EXPECT_EQ (formatValue (c.value, {}), c.text) << c.value;

    EXPECT_EQ (formatValue (-1.0f, "dB"), "-1.0 dB");
}

TEST (EditorDisplayLogic, TimecodeCountsHoursMinutesSecondsAndMilliseconds)
{
    const struct
    {
        double samples, rate;
        const char* text;
    } cases[] {
        { 48000.0, 48000.0, "00:00:01:000" },
        { 90000.0, 48000.0, "00:00:01:875" },
        { 4.0e9, 48000.0, "23:08:53:333" },
        { 48000.0, 0.0, "00:00:00:000" },
        { 0.0, 44100.0, "00:00:00:000" },
        { 44100.0 * 3661.5, 44100.0, "01:01:01:500" },
    };

    for (const auto& c : cases)
        EXPECT_EQ (timecodeText (c.samples, c.rate), c.text) << c.samples << " at " << c.rate;
}

TEST (EditorDisplayLogic, IntegratedColourFollowsTheStandardsTargetBands)
{
    const auto green = nolvColours::green, yellow = nolvColours::yellow, red = nolvColours::red;
    const struct
    {
        const LoudnessThresholds& thresholds;
        float level;
        juce::Colour colour;
    } cases[] {
        { ebuThresholds, -23.0f, green }, { ebuThresholds, -22.0f, green }, { ebuThresholds, -21.9f, yellow },
        { ebuThresholds, -20.6f, yellow }, { ebuThresholds, -20.5f, red }, { ebuThresholds, -24.0f, green },
        { ebuThresholds, -24.1f, yellow }, { ebuThresholds, -28.4f, yellow }, { ebuThresholds, -28.5f, red },
        { ebuThresholds, -70.0f, red }, { ebuThresholds, notANumber, red },
        { atscThresholds, -26.0f, green }, { atscThresholds, -26.1f, yellow }, { atscThresholds, -24.1f, green },
    };

    for (const auto& c : cases)
        EXPECT_EQ (integratedColour (c.level, c.thresholds), c.colour) << c.level;
}

TEST (EditorDisplayLogic, RelativeReadOutsMoveByTheTargetAndKeepNoValue)
{
    EXPECT_EQ (formatValue (shownLoudness (-23.0f, true, targetLoudness (true)), {}), "0.0 ");
    EXPECT_EQ (formatValue (shownLoudness (-23.0f, true, targetLoudness (false)), {}), "1.0 ");
    EXPECT_EQ (formatValue (shownLoudness (-70.0f, true, 23.0f), {}), "-");
    EXPECT_EQ (formatValue (shownLoudness (-65.0f, true, 23.0f), {}), "-42.0 ");
    EXPECT_EQ (formatValue (shownLoudness (-65.0f, false, 23.0f), {}), "-");
    EXPECT_EQ (shownLoudness (-20.0f, false, 24.0f), -20.0f);
}

TEST (EditorDisplayLogic, ShortTermTurnsRedOnceItReachesTheLimit)
{
    EXPECT_EQ (shortTermColour (-18.0f, -18.0f), nolvColours::red);
    EXPECT_EQ (shortTermColour (-18.1f, -18.0f), nolvColours::green);
    EXPECT_EQ (shortTermColour (-5.0f, -18.0f), nolvColours::red);
}

TEST (EditorDisplayLogic, EachUnitChoiceBringsItsCaptionsOffsetsAndScale)
{
    struct Row
    {
        bool ebu, plus9, plus18, absolute, relative;
        int code;
        NolvImageId image;
        const char *shortTerm, *integrated, *momentary, *slider;
        int shortTermKx, integratedKx, momentaryKx;
    };

    const Row rows[] {
        { true, true, false, true, false, 10, NolvImageId::scaleEbu9, "SL  LUFS", "IL  LUFS", "ML    LUFS", "Short term max. level   [LUFS]", 20, 18, 32 },
        { false, true, false, true, false, 11, NolvImageId::scaleAtsc9, "SL  LKFS", "IL  LKFS", "ML    LKFS", "Short term max. level   [LKFS]", 21, 18, 32 },
        { true, false, true, true, false, 12, NolvImageId::scaleEbu18, "SL  LUFS", "IL  LUFS", "ML    LUFS", "Short term max. level   [LUFS]", 21, 18, 32 },
        { false, false, true, true, false, 13, NolvImageId::scaleAtsc18, "SL  LKFS", "IL  LKFS", "ML    LKFS", "Short term max. level   [LKFS]", 21, 18, 32 },
        { true, true, false, false, true, 18, NolvImageId::scaleRelative9, "SL  LU", "IL  LU", "ML    LU", "Short term max. level   [LU]", 29, 28, 41 },
        { false, true, false, false, true, 19, NolvImageId::scaleRelative9, "SL  LU", "IL  LU", "ML    LU", "Short term max. level   [LU]", 29, 28, 41 },
        { true, false, true, false, true, 20, NolvImageId::scaleRelative18, "SL  LU", "IL  LU", "ML    LU", "Short term max. level   [LU]", 29, 28, 41 },
        { false, false, true, false, true, 21, NolvImageId::scaleRelative18, "SL  LU", "IL  LU", "ML    LU", "Short term max. level   [LU]", 29, 28, 41 },
    };

    for (const auto& r : rows)
    {
        const int code = unitCode (r.ebu, r.plus9, r.plus18, r.absolute, r.relative);
        ASSERT_EQ (code, r.code);

        const auto captions = unitCaptionsFor (code);
        ASSERT_TRUE (captions.has_value()) << code;
        EXPECT_EQ (captions->scaleImage, r.image) << code;
        EXPECT_STREQ (captions->shortTerm, r.shortTerm) << code;
        EXPECT_STREQ (captions->integrated, r.integrated) << code;
        EXPECT_STREQ (captions->momentary, r.momentary) << code;
        EXPECT_STREQ (captions->sliderCaption, r.slider) << code;
        EXPECT_EQ (captions->shortTermK.x, r.shortTermKx) << code;
        EXPECT_EQ (captions->integratedK.x, r.integratedKx) << code;
        EXPECT_EQ (captions->momentaryK.x, r.momentaryKx) << code;

        // Heights and widths do not depend on the unit.
        EXPECT_EQ (captions->shortTermK.y, 5);
        EXPECT_EQ (captions->shortTermK.height, 24);
        EXPECT_EQ (captions->integratedK.y, 10);
        EXPECT_EQ (captions->integratedK.height, 16);
        EXPECT_EQ (juce::Rectangle<int> (captions->momentaryK.x, captions->momentaryK.y, captions->momentaryK.width, captions->momentaryK.height),
                   juce::Rectangle<int> (r.momentaryKx, 11, 20, 14));

        EXPECT_EQ (soundFieldScaleFor (soundFieldCode (code, true)), code);
        EXPECT_EQ (soundFieldScaleFor (soundFieldCode (code, false)), 4);
    }
}

TEST (EditorDisplayLogic, CodesThatNameNoChoiceChangeNothing)
{
    // Before any standard button is on only bit 0 is set; both units or both scales at once
    // cannot come from radio groups.
    for (int code : { 1, 0, 8, 9, 14, 15, 16, 17, 22, 23, 26, 31, 33, 44 })
    {
        EXPECT_FALSE (unitCaptionsFor (code).has_value()) << code;
        EXPECT_EQ (soundFieldScaleFor (code), 4) << code;
    }
}

TEST (EditorDisplayLogic, OverloadHoldClearsAfterItsTicksOrAtOnceWithoutHold)
{
    OverloadHold none;
    none.setSeconds (0.0);
    EXPECT_FALSE (none.isEnabled());

    for (int tick = 0; tick < 3; ++tick)
    {
        EXPECT_TRUE (none.tick (true));
        EXPECT_TRUE (none.tick (false));
    }

    OverloadHold threeSeconds;
    threeSeconds.setSeconds (3.0);
    ASSERT_EQ (threeSeconds.getTicks(), 60);

    // The first tick that sees the alarm starts the hold; the alarms go 61 ticks later.
    EXPECT_FALSE (threeSeconds.tick (true));

    for (int tick = 1; tick <= 60; ++tick)
        ASSERT_FALSE (threeSeconds.tick (true)) << tick;

    EXPECT_TRUE (threeSeconds.tick (true));
    EXPECT_FALSE (threeSeconds.tick (true)) << "a new hold starts";

    // Ticks without an alarm do not count; a new length keeps the running count.
    OverloadHold paused;
    paused.setSeconds (0.1);
    EXPECT_FALSE (paused.tick (true));
    EXPECT_FALSE (paused.tick (true));
    EXPECT_FALSE (paused.tick (false));
    paused.setSeconds (0.05);
    EXPECT_TRUE (paused.tick (true));

    OverloadHold unset;
    unset.setSeconds (std::nan (""));
    EXPECT_FALSE (unset.isEnabled());
}

TEST (EditorDisplayLogic, ShortTermSliderMapsToItsParameterByUnit)
{
    EXPECT_EQ (shortTermParameterFor (2.0, true, targetLoudness (true)), -21.0f);
    EXPECT_EQ (shortTermParameterFor (13.0, true, targetLoudness (true)), -10.0f);
    EXPECT_EQ (shortTermParameterFor (-17.6, false, 23.0f), -18.0f);
    EXPECT_EQ (shortTermParameterFor (-17.5, false, 23.0f), -18.0f);
    EXPECT_EQ (shortTermParameterFor (0.0, false, 24.0f), 0.0f);

    EXPECT_EQ (shortTermSliderValueFor (-10.0f, true, targetLoudness (false)), 14.0);
    EXPECT_EQ (shortTermSliderValueFor (-18.0f, true, targetLoudness (true)), 5.0);
    EXPECT_EQ (shortTermSliderValueFor (-24.0f, false, 23.0f), -24.0);

    for (double position = 0.0; position <= 24.0; position += 1.0)
        EXPECT_EQ (shortTermSliderValueFor (shortTermParameterFor (position, true, 24.0f), true, 24.0f), position);
}

TEST (EditorDisplayLogic, PortTextGivesItsLeadingDigitsAndNeverWrapsAround)
{
    const struct
    {
        const char* text;
        float port;
    } cases[] {
        { "abc", 0.0f }, { "", 0.0f }, { "8000", 8000.0f }, { " 8000x", 8000.0f }, { "20001", 20001.0f },
        { "65535", 65535.0f }, { "65536", 65536.0f }, { "70000", 65536.0f }, { "4294987296", 65536.0f },
        { "99999999999999999999999", 65536.0f }, { "-5", 0.0f }, { "-2147483648", 0.0f }, { "12ab34", 12.0f },
    };

    for (const auto& c : cases)
        EXPECT_EQ (portFromText (c.text), c.port) << c.text;

    // What the processor then makes of them.
    EXPECT_EQ (remotePortForSetting (portFromText ("abc")), 20000);
    EXPECT_EQ (remotePortForSetting (portFromText ("8000")), 8000);
    EXPECT_FALSE (remotePortForSetting (portFromText ("4294987296")).has_value());
    EXPECT_FALSE (remotePortForSetting (portFromText ("70000")).has_value());
}

TEST (EditorDisplayLogic, StoredSettingsRoundHalfToEvenAndNonNumbersGiveNothing)
{
    EXPECT_EQ (roundedSetting (0.5f), 0);
    EXPECT_EQ (roundedSetting (1.5f), 2);
    EXPECT_EQ (roundedSetting (2.0f), 2);
    EXPECT_EQ (roundedSetting (0.49f), 0);
    EXPECT_FALSE (roundedSetting (notANumber).has_value());
    EXPECT_FALSE (roundedSetting (inf).has_value());
    EXPECT_FALSE (roundedSetting (-inf).has_value());
    EXPECT_TRUE (roundedSetting (1.0e30f).has_value());
}

TEST (EditorDisplayLogic, BoxLabelsSitOnTheQuarterLinesInWholePixels)
{
    const juce::Rectangle<int> valueBox { 2, 165, 76, 86 }, truePeakBox { 20, 528, 48, 60 };

    EXPECT_EQ (upperRowOf (valueBox, 25), juce::Rectangle<int> (2, 174, 76, 25));
    EXPECT_EQ (lowerRowOf (valueBox, 18), juce::Rectangle<int> (2, 220, 76, 18));
    EXPECT_EQ (upperRowOf (valueBox.withY (45), 24), juce::Rectangle<int> (2, 54, 76, 24));
    EXPECT_EQ (lowerRowOf (valueBox.withY (45), 24), juce::Rectangle<int> (2, 97, 76, 24));
    EXPECT_EQ (upperRowOf (truePeakBox, 17), juce::Rectangle<int> (20, 535, 48, 17));
    EXPECT_EQ (lowerRowOf (truePeakBox, 17), juce::Rectangle<int> (20, 565, 48, 17));
}
