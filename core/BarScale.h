#pragma once

#include <utility>

/** One exponential bar scale of the meters: a level v in dB sits at the fraction
    (e^(v/R) e^R - lowExp) / span of the bar, R being the scale's range in dB. Single precision
    throughout, so the bar positions are the same on every build. */
struct BarScale
{
    float lowLevel = 0.0f;
    float highLevel = 0.0f;
    float lowExp = 0.0f;
    float highExp = 0.0f;
    float span = 0.0f;
    float range = 0.0f; // R

    static BarScale make (float lowLevel, float highLevel);
    static BarScale make (std::pair<float, float> lowAndHigh) { return make (lowAndHigh.first, lowAndHigh.second); }

    /** Unrounded, unclamped; NaN counts as minus infinity. */
    float fraction (float level) const;

    /** The fraction on a bar of the given pixels, rounded half up and truncated toward zero. */
    int pixel (float level, int barPixels) const;
};

/** The levels at the bottom and the top of each bar scale, in dB (LU for the relative ones). The
    relative scales are the EBU ones moved by the -23 LUFS target. */
namespace scaleRanges
{
constexpr std::pair<float, float> ebu18 { -59.0f, -5.0f };
constexpr std::pair<float, float> ebu9 { -41.0f, -14.0f };
constexpr std::pair<float, float> atsc18 { -60.0f, -6.0f };
constexpr std::pair<float, float> atsc9 { -42.0f, -15.0f };
constexpr std::pair<float, float> truePeak { -60.0f, 5.0f };
constexpr std::pair<float, float> relative18 { -36.0f, 18.0f };
constexpr std::pair<float, float> relative9 { -18.0f, 9.0f };
} // namespace scaleRanges
