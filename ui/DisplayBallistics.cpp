#include "DisplayBallistics.h"

#include <cmath>

float releaseCoefficient (float seconds, double rate)
{
    if (! (seconds > 0.0f) || ! (rate > 0.0))
        return 0.0f;

    const auto exponent = (double) (float) (-1.0 / ((double) seconds * rate));
    return (float) std::pow (2.7182817459106445, exponent);
}

bool differsRelatively (float current, float candidate)
{
    return std::abs ((double) current - (double) candidate) > std::abs ((double) current) * 1.0e-8;
}

float clampFraction (float value)
{
    if (! (value > 0.0f))
        return 0.0f;

    return value < 1.0f ? value : 1.0f;
}

float attackWeight (float requested, float current)
{
    return std::isfinite (requested) ? clampFraction (requested) : current;
}

void ReleaseTiming::setSeconds (float newSeconds)
{
    seconds = newSeconds;
    coefficient = releaseCoefficient (seconds, rate);
}

void ReleaseTiming::setRate (double newRate)
{
    rate = newRate;
    coefficient = releaseCoefficient (seconds, rate);
}
