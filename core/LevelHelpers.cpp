#include "LevelHelpers.h"

#include <cmath>

float roundToTenth (float x)
{
    return std::floor (x * 10.0f + 0.5f) / 10.0f;
}

float roundToHundredth (float x)
{
    return std::floor (x * 100.0f + 0.5f) / 100.0f;
}

float findMaximum (const float* values, int count)
{
    if (values == nullptr || count <= 0)
        return 0.0f;

    float maximum = values[0];

    for (int i = 1; i < count; ++i)
        if (values[i] > maximum)
            maximum = values[i];

    return maximum;
}

void samplesToTimecode (double sampleCount, double framesPerSecond, double sampleRate,
                        int& subSecond, int& seconds, int& minutes, int& hours)
{
    subSecond = seconds = minutes = hours = 0;

    if (! std::isfinite (sampleCount) || ! std::isfinite (sampleRate) || ! std::isfinite (framesPerSecond))
        return;

    const int rate = (int) sampleRate;

    if (rate <= 0)
        return;

    if (framesPerSecond != 0.0)
    {
        const int wholeFrames = (int) framesPerSecond;
        const int samplesPerFrame = (int) (sampleRate / framesPerSecond);

        if (wholeFrames < 1 || samplesPerFrame < 1)
            return;

        const auto frames = (long long) (sampleCount / samplesPerFrame);
        subSecond = (int) (frames % wholeFrames);
    }
    else
    {
        subSecond = (int) (std::fmod (sampleCount, (double) rate) / sampleRate * 1000.0);
    }

    const int total = (int) (sampleCount / sampleRate);
    hours = total / 3600;
    minutes = (total - hours * 3600) / 60;
    seconds = total % 60;
}
