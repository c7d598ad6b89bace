#include "LatestMaximumSlot.h"

#include "ReportText.h"

#include <algorithm>
#include <cstring>

LatestMaximumSlot::LatestMaximumSlot()
{
    latest.read (takenVersion);
}

void LatestMaximumSlot::publish (const juce::String& unit, juce::Time time, float newLevel) noexcept
{
    const auto* utf8 = unit.toRawUTF8();
    const auto length = utf8CutLength (utf8, std::strlen (utf8), maxUnitBytes);

    Published value;
    value.millis = time.toMilliseconds();
    value.level = newLevel;
    std::memcpy (value.unit.data(), utf8, length);
    latest.publish (value);
}

std::optional<LatestMaximumSlot::Maximum> LatestMaximumSlot::takeIfNew()
{
    std::uint32_t version = 0;
    const auto value = latest.read (version);

    if (version == takenVersion)
        return std::nullopt;

    takenVersion = version;
    const auto length = std::find (value.unit.begin(), value.unit.end(), '\0') - value.unit.begin();
    return Maximum { juce::String::fromUTF8 (value.unit.data(), (int) length), juce::Time (value.millis), value.level };
}

void LatestMaximumSlot::discard()
{
    takeIfNew();
}
