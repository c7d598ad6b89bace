#pragma once

#include <array>
#include <cstdint>

/** Every value the display and the remote app show, kept up to date by the audio callback and
    copied whole by the editor's and the remote server's timers. Fields are written one by one
    without a lock, so a copy may mix two successive blocks; none is wider than 64 bits.
    Bar positions are fractions of the bar, not limited to 0..1; six-value fields are in role order. */
struct MeterSnapshot
{
    float momentaryLevel = -70.0f;
    float momentaryFraction = 0.0f;
    float shortTermLevel = -70.0f;
    float integratedLevel = -70.0f;
    float loudnessRange = -70.0f;
    float rangeLowFraction = 0.0f;
    float rangeHighFraction = 0.0f;
    float shortTermFraction = 0.0f;
    std::int32_t truePeakAlarm = 0;
    std::array<float, 6> heldTruePeak { -70.0f, -70.0f, -70.0f, -70.0f, -70.0f, -70.0f };
    std::array<float, 6> truePeakFraction {};
    std::array<std::int32_t, 6> channelAlarm {};
    double processedSamples = 0.0;
    std::array<float, 6> soundFieldLevel {};
    std::array<float, 6> correlation { 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f }; // L-R, L-C, R-C, LS-RS, L-LS, R-RS
};
