#include "ChannelCorrelations.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace
{
/** A pair copied out and measured alone: products and squares summed in single precision, the
    threshold applied to the framework's own RMS levels. */
float measuredAlone (const juce::AudioSampleBuffer& channels, int first, int second)
{
    const int m = channels.getNumSamples();
    juce::AudioSampleBuffer pair (2, m);
    pair.copyFrom (0, 0, channels, first, 0, m);
    pair.copyFrom (1, 0, channels, second, 0, m);
    const float* x = pair.getReadPointer (0);
    const float* y = pair.getReadPointer (1);
    float sxy = 0.0f, sxx = 0.0f, syy = 0.0f;

    for (int i = 0; i < m; ++i)
    {
        sxy += x[i] * y[i];
        sxx += x[i] * x[i];
        syy += y[i] * y[i];
    }

    const float rx = m > 0 ? pair.getRMSLevel (0, 0, m) : 0.0f;
    const float ry = m > 0 ? pair.getRMSLevel (1, 0, m) : 0.0f;
    return ! (rx >= 0.0001f) || ! (ry >= 0.0001f) ? 1.0f : sxy / std::sqrt (sxx * syy);
}

bool sameValue (float a, float b)
{
    return (std::isnan (a) && std::isnan (b)) || std::memcmp (&a, &b, sizeof (a)) == 0;
}
} // namespace

TEST (ChannelCorrelations, EveryPairReadsBitForBitWhatItReadsCopiedOutAndMeasuredAlone)
{
    // Channel levels, as RMS of the noise: loud, around the 1e-4 threshold, silent, and one NaN. A
    // negative level is a constant of that size instead: 480 samples of 1e-4 have an RMS of just 1e-4
    // summed in double, as the framework sums, but below it summed in single precision.
    struct Case { float levels[6]; int length; };
    const Case cases[] = {
        { { 0.5f, 0.3f, 0.1f, 0.2f, 0.05f, 0.4f }, 512 },
        { { 1.0001e-4f, 0.9999e-4f, 1.0e-4f, 0.5f, 1.00004e-4f, 0.99996e-4f }, 480 },
        { { -1.0e-4f, 0.5f, 0.3f, 0.1f, -1.0e-4f, 0.2f }, 480 },
        { { 0.5f, 0.0f, 0.2f, 0.0f, 0.0f, 0.1f }, 7 },
        { { 0.5f, 0.2f, std::numeric_limits<float>::quiet_NaN(), 0.1f, 0.1f, 0.1f }, 64 },
        { { 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f }, 0 },
    };
    juce::Random random (5);

    for (const auto& c : cases)
    {
        juce::AudioSampleBuffer channels (6, c.length);

        for (int ch = 0; ch < 6; ++ch)
            for (int i = 0; i < c.length; ++i)
                channels.setSample (ch, i, c.levels[ch] < 0.0f ? -c.levels[ch]
                                                               : c.levels[ch] * std::sqrt (3.0f) * (random.nextFloat() * 2.0f - 1.0f));

        const auto correlations = ChannelCorrelations::measure (channels.getArrayOfReadPointers(), c.length);

        for (size_t p = 0; p < ChannelCorrelations::pairs.size(); ++p)
        {
            const float alone = measuredAlone (channels, ChannelCorrelations::pairs[p][0], ChannelCorrelations::pairs[p][1]);
            EXPECT_TRUE (sameValue (correlations[p], alone)) << "case " << &c - cases << ", pair " << p << ": "
                                                             << correlations[p] << " against " << alone;
        }
    }
}
