#include "BarScale.h"

#include <cmath>
#include <limits>

BarScale BarScale::make (float low, float high)
{
    BarScale s;
    s.lowLevel = low;
    s.highLevel = high;
    s.range = high - low;
    s.lowExp = std::exp (low / s.range) * std::exp (s.range);
    s.highExp = std::exp (high / s.range) * std::exp (s.range);
    s.span = s.highExp - s.lowExp;
    return s;
}

float BarScale::fraction (float level) const
{
    if (std::isnan (level))
        level = -std::numeric_limits<float>::infinity();

    return (std::exp (level / range) * std::exp (range) - lowExp) / span;
}

int BarScale::pixel (float level, int barPixels) const
{
    const float position = fraction (level) * (float) barPixels + 0.5f;

    // Clamped before converting: a level of +inf would otherwise be undefined as an int.
    if (position >= 2147483520.0f)
        return std::numeric_limits<int>::max();

    if (position <= -2147483520.0f)
        return std::numeric_limits<int>::min();

    return (int) position;
}
