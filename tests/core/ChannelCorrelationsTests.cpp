#include "ChannelCorrelations.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

TEST (ChannelCorrelations, EveryPairReadsBitForBitWhatItReadsMeasuredAloneWithTheFrameworksRmsLevels)
{
    // Channel levels (RMS of the noise): loud, around the 1e-4 threshold, silent, and a NaN. A
    // negative level is a constant of that size: 480 samples of 1e-4 have an RMS of just 1e-4 summed
    // in double, as the framework sums, but below it summed in single precision.
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
                channels.setSample (ch, i, c.levels[ch] < 0.0f ? -c.levels[ch] : c.levels[ch] * std::sqrt (3.0f) * (random.nextFloat() * 2.0f - 1.0f));

        const auto correlations = ChannelCorrelations::measure (channels.getArrayOfReadPointers(), c.length);

        for (size_t p = 0; p < ChannelCorrelations::pairs.size(); ++p)
        {
            // The pair alone: sums in single precision, the threshold on the framework's RMS levels.
            const int a = ChannelCorrelations::pairs[p][0], b = ChannelCorrelations::pairs[p][1];
            float sxy = 0.0f, sxx = 0.0f, syy = 0.0f;

            for (int i = 0; i < c.length; ++i)
            {
                const float x = channels.getSample (a, i), y = channels.getSample (b, i);
                sxy += x * y;
                sxx += x * x;
                syy += y * y;
            }

            const bool quiet = c.length == 0 || ! (channels.getRMSLevel (a, 0, c.length) >= 0.0001f)
                            || ! (channels.getRMSLevel (b, 0, c.length) >= 0.0001f);
            const float alone = quiet ? 1.0f : sxy / std::sqrt (sxx * syy);
            const bool same = (std::isnan (alone) && std::isnan (correlations[p])) || std::memcmp (&alone, &correlations[p], sizeof (alone)) == 0;
            EXPECT_TRUE (same) << "case " << &c - cases << ", pair " << p << ": " << correlations[p] << " against " << alone;
        }
    }
}

TEST (ChannelCorrelations, TheSixSlotsAreLeftRightLeftCentreRightCentreSurroundsLeftSurroundLeftAndRightSurroundRight)
{
    // Sines of one frequency and amplitude correlate by the cosine of their phase difference.
    constexpr double degrees = juce::MathConstants<double>::pi / 180.0;
    const double phases[6] = { 0.0, 60.0, 90.0, 0.0, 180.0, 225.0 }; // L, R, C, LFE, LS, RS
    juce::AudioSampleBuffer channels (6, 480);

    for (int c = 0; c < 6; ++c)
        for (int i = 0; i < 480; ++i)
            channels.setSample (c, i, (float) std::sin (2.0 * juce::MathConstants<double>::pi * i / 48.0 + phases[c] * degrees));

    const float expected[6] = { 0.5f, 0.0f, 0.866f, 0.707f, -1.0f, -0.966f }; // L-R, L-C, R-C, LS-RS, L-LS, R-RS
    const auto measured = ChannelCorrelations::measure (channels.getArrayOfReadPointers(), 480);

    for (size_t slot = 0; slot < 6; ++slot)
        EXPECT_NEAR (measured[slot], expected[slot], 0.002f) << "slot " << slot;
}
