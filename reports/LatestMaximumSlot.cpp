#include "LatestMaximumSlot.h"

#include <algorithm>
#include <cstring>

LatestMaximumSlot::LatestMaximumSlot()
{
    latest.read (takenVersion);
}

void LatestMaximumSlot::publish (const juce::String& unit, juce::Time time, float newLevel) noexcept
{
    const auto* utf8 = unit.toRawUTF8();
    auto length = std::strlen (utf8);

    if (length > maxUnitBytes)
    {
        length = maxUnitBytes;

        while (length > 0 && (static_cast<unsigned char> (utf8[length]) & 0xc0) == 0x80)
            --length;
    }

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
