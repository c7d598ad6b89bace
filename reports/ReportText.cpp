#include "ReportText.h"

#include <cmath>
#include <limits>

juce::String formatOneDecimal (float value)
{
    if (std::isnan (value))
        return "nan";

    if (std::isinf (value))
        return value < 0.0f ? "-inf" : "inf";

    // Past this every float is a whole number, so the framework's text, which rounds exact halves
    // to even, is exact; the tenths below would overflow an integer from about 9.2e17.
    if (std::abs (value) >= 1.0e15f)
        return juce::String ((double) value, 1);

    // Rounding by hand: juce::String (x, 1) rounds exact halves to even.
    const auto tenths = (juce::int64) (std::abs ((double) value) * 10.0 + 0.5);
    juce::String text;

    if (value < 0.0f)
        text << "-";

    text << juce::String (tenths / 10) << "." << juce::String (tenths % 10);
    return text;
}

juce::String dateText (juce::Time time)
{
    return juce::String (time.getDayOfMonth()) + " " + time.getMonthName (true) + " " + juce::String (time.getYear());
}

juce::String timeText (juce::Time time)
{
    return juce::String (time.getHours()) + ":" + juce::String (time.getMinutes()).paddedLeft ('0', 2) + ":"
         + juce::String (time.getSeconds()).paddedLeft ('0', 2);
}

juce::String dateTimeText (juce::Time time)
{
    return dateText (time) + " " + timeText (time);
}

juce::String reportTimeStamp (juce::Time time)
{
    return juce::StringArray { juce::String (time.getDayOfMonth()), time.getMonthName (true), juce::String (time.getYear()),
                               juce::String (time.getHours()), juce::String (time.getMinutes()),
                               juce::String (time.getSeconds()) }
        .joinIntoString ("_");
}

juce::String csvTypeWord (int type)
{
    switch (type)
    {
        case 0: return "MomentaryLoudness";
        case 2: return "TruePeak";
        default: return "ShortTermLoudness";
    }
}

juce::String durationText (double seconds)
{
    // RelativeTime's description casts whole seconds to int, which is undefined beyond its range.
    if (! std::isfinite (seconds) || std::abs (seconds) >= (double) std::numeric_limits<int>::max())
        return {};

    return juce::RelativeTime (seconds).getDescription();
}

juce::File csvCompanionOf (const juce::File& xmlReport)
{
    return xmlReport.withFileExtension (".csv");
}

std::size_t utf8CutLength (const char* text, std::size_t length, std::size_t maximumBytes) noexcept
{
    if (length <= maximumBytes)
        return length;

    auto kept = maximumBytes;

    // Back to the first byte of the character the cut falls in.
    while (kept > 0 && (static_cast<unsigned char> (text[kept]) & 0xc0) == 0x80)
        --kept;

    return kept;
}
