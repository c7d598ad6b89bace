#pragma once

#include <juce_core/juce_core.h>

#include <type_traits>

/** One value waiting for the CSV log, copied by value from the audio thread into the writer's ring. */
struct OVEXLogEntry
{
    enum Type : juce::int32
    {
        momentary = 0,
        shortTerm = 1,
        truePeak = 2
    };

    juce::int32 type = momentary;
    float value = 0.0f; // dB, already on the nearest 0.1
    juce::Time time;
};

static_assert (sizeof (OVEXLogEntry) == 16, "entries are copied as 16 bytes through the ring");
static_assert (std::is_trivially_copyable<OVEXLogEntry>::value, "entries are copied on the audio thread");
