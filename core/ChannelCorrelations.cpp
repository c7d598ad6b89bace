#include "ChannelCorrelations.h"

#include <cmath>

std::array<float, ChannelCorrelations::numPairs> ChannelCorrelations::measure (const float* const* channels, int numSamples)
{
    // Eighteen independent sums, each in sample order: they overlap in the pipeline, and each
    // channel's samples are read once for all the pairs it belongs to.
    float squares[6] {}, products[numPairs] {};
    double energy[6] {};

    for (int i = 0; i < numSamples; ++i)
    {
        float sample[6];

        for (int c = 0; c < 6; ++c)
        {
            sample[c] = channels[c][i];
            const float square = sample[c] * sample[c];
            squares[c] += square;
            energy[c] += square;
        }

        for (size_t p = 0; p < (size_t) numPairs; ++p)
            products[p] += sample[pairs[p][0]] * sample[pairs[p][1]];
    }

    std::array<float, numPairs> correlations;

    for (size_t p = 0; p < (size_t) numPairs; ++p)
    {
        const auto rms = [&] (int c)
        {
            // As getRMSLevel: the square root of the mean in double, then rounded to float.
            return numSamples > 0 ? (float) std::sqrt (energy[c] / numSamples) : 0.0f;
        };

        const int x = pairs[p][0], y = pairs[p][1];
        correlations[p] = ! (rms (x) >= 0.0001f) || ! (rms (y) >= 0.0001f)
                              ? 1.0f
                              : products[p] / std::sqrt (squares[x] * squares[y]);
    }

    return correlations;
}
