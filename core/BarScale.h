#pragma once

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

    /** Unrounded, unclamped; NaN counts as minus infinity. */
    float fraction (float level) const;

    /** The fraction on a bar of the given pixels, rounded half up and truncated toward zero. */
    int pixel (float level, int barPixels) const;
};
