#pragma once

#include "LevelHelpers.h"

#include <array>
#include <cstdint>

/** Every value the display and the remote app show, kept up to date by the audio callback, which
    publishes it whole at the end of each block for the editor and the remote feed to copy.
    Bar positions are fractions of the bar, not limited to 0..1; six-value fields are in role order. */
struct MeterSnapshot
{
    float momentaryLevel = noLoudnessValue;
    float momentaryFraction = 0.0f;
    float shortTermLevel = noLoudnessValue;
    float integratedLevel = noLoudnessValue;
    float loudnessRange = noLoudnessValue;
    float rangeLowFraction = 0.0f;
    float rangeHighFraction = 0.0f;
    float shortTermFraction = 0.0f;
    std::int32_t truePeakAlarm = 0;
    std::array<float, 6> heldTruePeak { noLoudnessValue, noLoudnessValue, noLoudnessValue, noLoudnessValue, noLoudnessValue, noLoudnessValue };
    std::array<float, 6> truePeakFraction {};
    std::array<std::int32_t, 6> channelAlarm {};
    double processedSamples = 0.0;
    std::array<float, 6> soundFieldLevel {};
    std::array<float, 6> correlation { 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f }; // L-R, L-C, R-C, LS-RS, L-LS, R-RS
};
