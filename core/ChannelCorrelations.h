#pragma once

#include <array>

/** The six inter-channel correlations the meters show, L-R, L-C, R-C, LS-RS, L-LS and R-RS, over
    one block of the six channel roles, in one pass over the channels where they lie. Per channel the
    squares are summed in single precision for the correlation and in double for the RMS level, as
    juce::AudioBuffer::getRMSLevel sums them; per pair the products in single precision; every sum in
    sample order, so the values are those of copying each pair out and measuring it alone. A pair
    reads 1.0 when either channel's RMS level is below 1e-4, NaN included. Any thread. */
struct ChannelCorrelations
{
    static constexpr int numPairs = 6;
    static constexpr std::array<std::array<int, 2>, numPairs> pairs { { { 0, 1 }, { 0, 2 }, { 1, 2 }, { 4, 5 }, { 0, 4 }, { 1, 5 } } };

    static std::array<float, numPairs> measure (const float* const* channels, int numSamples);
};
