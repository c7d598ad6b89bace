#pragma once

#include "SeqLock.h"

#include <juce_core/juce_core.h>

#include <array>
#include <optional>

/** Hands the latest report maximum (unit, time, level) from the audio thread to the report writer.
    publish never waits, locks or allocates. One thread at a time publishes, and one at a time takes. */
class LatestMaximumSlot
{
public:
    struct Maximum
    {
        juce::String unit;
        juce::Time time;
        float level = 0.0f;
    };

    LatestMaximumSlot();

    /** Units longer than maxUnitBytes of UTF-8 are cut at the last whole character that fits. */
    void publish (const juce::String& unit, juce::Time time, float level) noexcept;

    /** The maximum published since the previous take, if there is one. */
    std::optional<Maximum> takeIfNew();

    /** Forgets whatever was published so far. Same thread as takeIfNew. */
    void discard();

    static constexpr size_t maxUnitBytes = 32;

private:
    struct Published
    {
        juce::int64 millis = 0;
        float level = 0.0f;
        std::array<char, maxUnitBytes> unit {}; // UTF-8, not terminated when full
    };

    SeqLock<Published> latest;
    std::uint32_t takenVersion = 0;
};
