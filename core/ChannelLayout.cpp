#include "ChannelLayout.h"

#include <algorithm>

ChannelRouting deriveRouting (const ChannelLayout& layout)
{
    ChannelRouting routing;

    for (size_t role = 0; role < layout.size(); ++role)
    {
        const int channel = layout[role];

        if (channel < 0)
        {
            routing[role] = -1;
            continue;
        }

        // The rank among the distinct assigned channels: how many distinct ones lie below it.
        int rank = 0;

        for (size_t other = 0; other < layout.size(); ++other)
        {
            const int candidate = layout[other];
            const bool firstOfItsValue = std::find (layout.begin(), layout.begin() + (long) other, candidate) == layout.begin() + (long) other;

            if (candidate >= 0 && candidate < channel && firstOfItsValue)
                ++rank;
        }

        routing[role] = rank;
    }

    return routing;
}

juce::String layoutToText (const ChannelLayout& layout)
{
    juce::String text;

    for (int channel : layout)
        text << channel << ";";

    return text;
}

ChannelLayout layoutFromText (const juce::String& text)
{
    ChannelLayout layout;
    auto rest = text;

    for (auto& entry : layout)
    {
        entry = rest.upToFirstOccurrenceOf (";", false, false).getIntValue();
        rest = rest.fromFirstOccurrenceOf (";", false, false);
    }

    return layout;
}

juce::uint64 packRouting (const ChannelRouting& routing)
{
    juce::uint64 packed = 0;

    for (size_t role = 0; role < routing.size(); ++role)
        packed |= (juce::uint64) (juce::uint8) (juce::int8) routing[role] << (8 * role);

    return packed;
}

ChannelRouting unpackRouting (juce::uint64 packed)
{
    ChannelRouting routing;

    for (size_t role = 0; role < routing.size(); ++role)
        routing[role] = (juce::int8) (juce::uint8) (packed >> (8 * role));

    return routing;
}
