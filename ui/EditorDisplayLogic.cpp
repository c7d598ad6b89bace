#include "EditorDisplayLogic.h"

#include "EditorRefreshControl.h"
#include "LevelHelpers.h"
#include "NolvColours.h"
#include "ReportText.h"

#include <cmath>

juce::String formatValue (float value, const juce::String& suffix)
{
    if (std::isnan (value) || value <= -60.0f)
        return "-";

    return formatOneDecimal (value) + " " + suffix;
}

juce::String timecodeText (double sampleCount, double sampleRate)
{
    int milliseconds = 0, seconds = 0, minutes = 0, hours = 0;
    samplesToTimecode (sampleCount, 0.0, sampleRate, milliseconds, seconds, minutes, hours);

    juce::String text;

    if (sampleCount < 0.0)
        text << "-";

    return text << juce::String (hours).paddedLeft ('0', 2) << ":" << juce::String (minutes).paddedLeft ('0', 2) << ":"
                << juce::String (seconds).paddedLeft ('0', 2) << ":" << juce::String (milliseconds).paddedLeft ('0', 3);
}

juce::Colour integratedColour (float integrated, const LoudnessThresholds& t)
{
    if (t.th1 >= integrated && integrated >= t.th2)
        return nolvColours::green;

    if ((t.th0 >= integrated && integrated > t.th1) || (t.th2 > integrated && integrated >= t.th3))
        return nolvColours::yellow;

    return nolvColours::red;
}

float shownLoudness (float level, bool relative, float target)
{
    if (! relative)
        return level;

    return level > noLoudnessValue ? level + target : noLoudnessValue;
}

juce::Colour shortTermColour (float shortTerm, float limit)
{
    return limit > shortTerm ? nolvColours::green : nolvColours::red;
}

int unitCode (bool ebuOn, bool plus9On, bool plus18On, bool absoluteOn, bool relativeOn)
{
    return (ebuOn ? 0 : 1) | (plus9On ? 2 : 0) | (plus18On ? 4 : 0) | (absoluteOn ? 8 : 0) | (relativeOn ? 16 : 0);
}

std::optional<UnitCaptions> unitCaptionsFor (int code)
{
    constexpr CaptionOffset momentaryAbsolute { 32, 11, 20, 14 }, momentaryRelative { 41, 11, 20, 14 };
    constexpr CaptionOffset integratedAbsolute { 18, 10, 0, 16 }, integratedRelative { 28, 10, 0, 16 };

    // The short-term "k" of code 10 sits one pixel further left than that of the other absolute codes.
    constexpr CaptionOffset shortTermEbu9 { 20, 5, 0, 24 }, shortTermAbsolute { 21, 5, 0, 24 }, shortTermRelative { 29, 5, 0, 24 };

    constexpr const char* lufs[] { "SL  LUFS", "IL  LUFS", "ML    LUFS", "Short term max. level   [LUFS]" };
    constexpr const char* lkfs[] { "SL  LKFS", "IL  LKFS", "ML    LKFS", "Short term max. level   [LKFS]" };
    constexpr const char* lu[] { "SL  LU", "IL  LU", "ML    LU", "Short term max. level   [LU]" };

    const auto make = [] (NolvImageId image, const char* const (&texts)[4], CaptionOffset shortTermK,
                          CaptionOffset integratedK, CaptionOffset momentaryK)
    {
        return UnitCaptions { image, texts[0], texts[1], texts[2], texts[3], shortTermK, integratedK, momentaryK };
    };

    switch (code)
    {
        case 10: return make (NolvImageId::scaleEbu9, lufs, shortTermEbu9, integratedAbsolute, momentaryAbsolute);
        case 11: return make (NolvImageId::scaleAtsc9, lkfs, shortTermAbsolute, integratedAbsolute, momentaryAbsolute);
        case 12: return make (NolvImageId::scaleEbu18, lufs, shortTermAbsolute, integratedAbsolute, momentaryAbsolute);
        case 13: return make (NolvImageId::scaleAtsc18, lkfs, shortTermAbsolute, integratedAbsolute, momentaryAbsolute);
        case 18:
        case 19: return make (NolvImageId::scaleRelative9, lu, shortTermRelative, integratedRelative, momentaryRelative);
        case 20:
        case 21: return make (NolvImageId::scaleRelative18, lu, shortTermRelative, integratedRelative, momentaryRelative);
        default: return std::nullopt;
    }
}

int soundFieldScaleFor (int code)
{
    return unitCaptionsFor (code).has_value() ? code : 4;
}

void OverloadHold::setSeconds (double seconds)
{
    enabled = std::isfinite (seconds) && seconds != 0.0;
    ticks = enabled ? (int) juce::jlimit (-1.0e6, 1.0e6, seconds * 1000.0 / editorRefreshIntervalMs) : 0;
}

bool OverloadHold::tick (bool globalAlarm)
{
    if (enabled)
    {
        if (! globalAlarm)
            return false;

        if (! running)
        {
            running = true;
            counter = 0;
            return false;
        }

        if (counter < ticks)
        {
            ++counter;
            return false;
        }

        running = false;
        counter = 0;
    }

    return true;
}

float shortTermParameterFor (double sliderValue, bool relative, float target)
{
    auto rounded = (int) std::round (sliderValue);

    if (relative)
        rounded = (int) ((float) rounded - target);

    return (float) rounded;
}

double shortTermSliderValueFor (float parameter, bool relative, float target)
{
    return relative ? (double) (parameter + target) : (double) parameter;
}

float portFromText (const juce::String& text)
{
    constexpr juce::int64 beyondLastPort = 65536;
    const auto trimmed = text.trimStart();
    auto p = trimmed.getCharPointer();
    const bool negative = *p == '-';

    if (*p == '-' || *p == '+')
        ++p;

    juce::int64 port = 0;

    for (; p.isDigit(); ++p)
        port = std::min (beyondLastPort, port * 10 + (juce::int64) (*p - '0'));

    return negative ? 0.0f : (float) port;
}

juce::Rectangle<int> upperRowOf (juce::Rectangle<int> box, int height)
{
    return { box.getX(), box.getY() + box.getHeight() / 4 - height / 2, box.getWidth(), height };
}

juce::Rectangle<int> lowerRowOf (juce::Rectangle<int> box, int height)
{
    return { box.getX(), box.getY() + 3 * box.getHeight() / 4 - height / 2, box.getWidth(), height };
}

std::optional<int> roundedSetting (float value)
{
    if (! std::isfinite (value))
        return std::nullopt;

    // Only small integers name a choice; the limit keeps the conversion defined for any other.
    return (int) std::nearbyint (juce::jlimit (-1.0e6f, 1.0e6f, value));
}
