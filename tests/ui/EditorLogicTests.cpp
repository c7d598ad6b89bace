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

TEST (EditorDisplayLogic, ReadOutsShowOneDecimalAndABlankAboveMinusSixtyAndLuMovesByTheTarget)
{
    for (const auto& [value, text] : { std::pair<float, const char*> { -60.0f, "-" }, { -70.0f, "-" }, { -59.9f, "-59.9 " },
                                       { -23.0f, "-23.0 " }, { 0.0f, "0.0 " }, { 3.25f, "3.3 " }, { notANumber, "-" },
                                       { -inf, "-" }, { inf, "inf " } })
        EXPECT_EQ (formatValue (value, {}), text) << value;

    EXPECT_EQ (formatValue (-1.0f, "dB"), "-1.0 dB");

    // In LU: EBU's target is 23, ATSC's 24; "no value" stays no value.
    for (const auto& [level, relative, target, text] :
         { std::tuple (-23.0f, true, targetLoudness (true), "0.0 "), std::tuple (-23.0f, true, targetLoudness (false), "1.0 "),
           std::tuple (-70.0f, true, 23.0f, "-"), std::tuple (-65.0f, true, 23.0f, "-42.0 "), std::tuple (-65.0f, false, 23.0f, "-") })
        EXPECT_EQ (formatValue (shownLoudness (level, relative, target), {}), text) << level;
}

TEST (EditorDisplayLogic, TimecodeCountsHoursMinutesSecondsAndMilliseconds)
{
    for (const auto& [samples, rate, text] :
         { std::tuple (48000.0, 48000.0, "00:00:01:000"), std::tuple (90000.0, 48000.0, "00:00:01:875"),
           std::tuple (4.0e9, 48000.0, "23:08:53:333"), std::tuple (48000.0, 0.0, "00:00:00:000"),
           std::tuple (44100.0 * 3661.5, 44100.0, "01:01:01:500") })
        EXPECT_EQ (timecodeText (samples, rate), text) << samples << " at " << rate;
}

TEST (EditorDisplayLogic, ReadOutColoursFollowTheStandardsBandsAndTheShortTermLimit)
{
    const auto green = nolvColours::green, yellow = nolvColours::yellow, red = nolvColours::red;
    const std::tuple<const LoudnessThresholds*, float, juce::Colour> cases[] {
        { &ebuThresholds, -22.0f, green },  { &ebuThresholds, -21.9f, yellow },  { &ebuThresholds, -20.6f, yellow },
        { &ebuThresholds, -20.5f, red },    { &ebuThresholds, -24.0f, green },   { &ebuThresholds, -24.1f, yellow },
        { &ebuThresholds, -28.5f, red },    { &ebuThresholds, notANumber, red }, { &atscThresholds, -26.0f, green },
        { &atscThresholds, -26.1f, yellow },
    };

    for (const auto& [thresholds, level, colour] : cases)
        EXPECT_EQ (integratedColour (level, *thresholds), colour) << level;

    EXPECT_EQ (shortTermColour (-18.0f, -18.0f), red);
    EXPECT_EQ (shortTermColour (-18.1f, -18.0f), green);
}

TEST (EditorDisplayLogic, EachUnitChoiceBringsItsCaptionsOffsetsAndScale)
{
    // EBU, +9, LU; code; scale; unit word; x offsets of the short-term, integrated and momentary "k".
    const std::tuple<bool, bool, bool, int, NolvImageId, juce::String, std::array<int, 3>> rows[] {
        { true, true, false, 10, NolvImageId::scaleEbu9, "LUFS", { 20, 18, 32 } },
        { false, true, false, 11, NolvImageId::scaleAtsc9, "LKFS", { 21, 18, 32 } },
        { true, false, false, 12, NolvImageId::scaleEbu18, "LUFS", { 21, 18, 32 } },
        { false, false, false, 13, NolvImageId::scaleAtsc18, "LKFS", { 21, 18, 32 } },
        { true, true, true, 18, NolvImageId::scaleRelative9, "LU", { 29, 28, 41 } },
        { false, true, true, 19, NolvImageId::scaleRelative9, "LU", { 29, 28, 41 } },
        { true, false, true, 20, NolvImageId::scaleRelative18, "LU", { 29, 28, 41 } },
        { false, false, true, 21, NolvImageId::scaleRelative18, "LU", { 29, 28, 41 } },
    };

    for (const auto& [ebu, plus9, relative, code, image, unit, kx] : rows)
    {
        ASSERT_EQ (unitCode (ebu, plus9, ! plus9, ! relative, relative), code);
        const auto captions = unitCaptionsFor (code);
        ASSERT_TRUE (captions.has_value()) << code;
        EXPECT_EQ (captions->scaleImage, image) << code;
        EXPECT_EQ (juce::StringArray ({ captions->shortTerm, captions->integrated, captions->momentary, captions->sliderCaption }),
                   juce::StringArray ("SL  " + unit, "IL  " + unit, "ML    " + unit, "Short term max. level   [" + unit + "]"));
        EXPECT_EQ ((std::array<int, 3> { captions->shortTermK.x, captions->integratedK.x, captions->momentaryK.x }), kx) << code;
        EXPECT_EQ (soundFieldScaleFor (soundFieldCode (code, true)), code);
        EXPECT_EQ (soundFieldScaleFor (soundFieldCode (code, false)), 4);
    }

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
    EXPECT_TRUE (none.tick (true) && none.tick (false) && none.tick (true));

    // The first tick that sees the alarm starts the hold; the alarms go 61 ticks later.
    OverloadHold threeSeconds;
    threeSeconds.setSeconds (3.0);

    for (int tick = 0; tick <= 60; ++tick)
        ASSERT_FALSE (threeSeconds.tick (true)) << tick;

    EXPECT_TRUE (threeSeconds.tick (true));
    EXPECT_FALSE (threeSeconds.tick (true)) << "a new hold starts";

    // Ticks without an alarm do not count; a new length keeps the running count.
    OverloadHold paused;
    paused.setSeconds (0.1);
    EXPECT_FALSE (paused.tick (true) || paused.tick (true) || paused.tick (false));
    paused.setSeconds (0.05);
    EXPECT_TRUE (paused.tick (true));

    OverloadHold unset;
    unset.setSeconds (std::nan (""));
    EXPECT_FALSE (unset.isEnabled());
}

TEST (EditorDisplayLogic, ShortTermSliderMapsToItsParameterByUnit)
{
    for (const auto& [position, relative, target, parameter] :
         { std::tuple (2.0, true, 23.0f, -21.0f), std::tuple (13.0, true, 23.0f, -10.0f),
           std::tuple (-17.6, false, 23.0f, -18.0f), std::tuple (-17.5, false, 23.0f, -18.0f) })
        EXPECT_EQ (shortTermParameterFor (position, relative, target), parameter) << position;

    EXPECT_EQ (shortTermSliderValueFor (-10.0f, true, targetLoudness (false)), 14.0);
    EXPECT_EQ (shortTermSliderValueFor (-24.0f, false, 23.0f), -24.0);

    for (double position = 0.0; position <= 24.0; position += 1.0)
        EXPECT_EQ (shortTermSliderValueFor (shortTermParameterFor (position, true, 24.0f), true, 24.0f), position);
}

TEST (EditorDisplayLogic, PortTextGivesItsLeadingDigitsAndNeverWrapsAround)
{
    for (const auto& [text, port] : { std::pair<const char*, float> { "abc", 0.0f }, { "", 0.0f }, { "8000", 8000.0f },
                                      { " 8000x", 8000.0f }, { "65535", 65535.0f }, { "65536", 65536.0f }, { "70000", 65536.0f },
                                      { "4294987296", 65536.0f }, { "99999999999999999999999", 65536.0f }, { "-5", 0.0f },
                                      { "12ab34", 12.0f } })
        EXPECT_EQ (portFromText (text), port) << text;

    // What the processor then makes of them.
    EXPECT_EQ (remotePortForSetting (portFromText ("abc")), 20000);
    EXPECT_EQ (remotePortForSetting (portFromText ("8000")), 8000);
    EXPECT_FALSE (remotePortForSetting (portFromText ("4294987296")).has_value());
    EXPECT_FALSE (remotePortForSetting (portFromText ("70000")).has_value());
}

TEST (EditorDisplayLogic, StoredSettingsRoundHalfToEvenAndNonNumbersGiveNothing)
{
    EXPECT_EQ (std::make_tuple (roundedSetting (0.5f), roundedSetting (1.5f), roundedSetting (0.49f)), std::make_tuple (0, 2, 0));
    EXPECT_FALSE (roundedSetting (notANumber) || roundedSetting (inf) || roundedSetting (-inf));
    EXPECT_TRUE (roundedSetting (1.0e30f).has_value());
}
