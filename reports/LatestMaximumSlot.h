#pragma once

#include <juce_core/juce_core.h>

#include <array>
#include <atomic>
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

    /** Units longer than maxUnitBytes of UTF-8 are cut at the last whole character that fits. */
    void publish (const juce::String& unit, juce::Time time, float level) noexcept;

    /** The maximum published since the previous take, if there is one. */
    std::optional<Maximum> takeIfNew();

    /** Forgets whatever was published so far. Same thread as takeIfNew. */
    void discard();

    static constexpr size_t maxUnitBytes = 32;

private:
    static constexpr size_t unitWords = maxUnitBytes / sizeof (juce::uint64);

    // A sequence lock: odd while publish is writing; the reader retries until it reads one even
    // sequence number before and after the fields.
    std::atomic<juce::uint32> sequence { 0 };
    std::atomic<juce::int64> millis { 0 };
    std::atomic<float> level { 0.0f };
    std::array<std::atomic<juce::uint64>, unitWords> unitText {};
    juce::uint32 takenSequence = 0;
};
