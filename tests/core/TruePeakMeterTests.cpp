#include "OVEXTruePeakMeter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace
{
constexpr float minusInfinity = -std::numeric_limits<float>::infinity();

/** The readings of one 64-sample block with the given samples set, the others silent. */
TruePeakResult readBlock (OVEXTruePeakMeter& meter, std::initializer_list<std::tuple<int, int, float>> samples)
{
    juce::AudioSampleBuffer block (6, 64);
    block.clear();

    for (auto [channel, index, value] : samples)
        block.setSample (channel, index, value);

    meter.processBlock (block);
    TruePeakResult r;
    meter.getSnapshot (r);
    return r;
}
} // namespace

TEST (TruePeakMeter, InterpolatesFourTimesBelow88kHzTwiceBelow176kHzAndNotAbove)
{
    // A lone full-scale sample reads the interpolator's largest tap, just below the sample itself;
    // that tap comes five or six samples late, so in the block after this one.
    const float largestTap = (float) (20.0 * std::log10 (0.97216796875));
    struct Case { double rate; int phases; float reading; };
    const Case cases[] = { { 32000, 4, largestTap }, { 44100, 4, largestTap }, { 48000, 4, largestTap }, { 88200, 2, largestTap },
                           { 96000, 2, largestTap }, { 176400, 0, 0.0f }, { 192000, 0, 0.0f }, { 384000, 0, 0.0f } };

    for (auto c : cases)
    {
        OVEXTruePeakMeter meter;
        meter.setSampleRate (64, c.rate);
        EXPECT_EQ (meter.getPhaseCount(), c.phases) << c.rate;
        const auto first = readBlock (meter, { { 4, 60, -1.0f } });
        const auto second = readBlock (meter, {});
        EXPECT_NEAR (std::max (first.levels[4], second.levels[4]), c.reading, 1e-4) << c.rate;
    }
}

TEST (TruePeakMeter, NaNReadsAsSilenceInfinityAsOverloadForItsBlockAndChannelsStayApart)
{
    OVEXTruePeakMeter meter;
    meter.setSampleRate (64, 48000);
    const auto r = readBlock (meter, { { 0, 3, std::numeric_limits<float>::quiet_NaN() }, { 1, 3, -minusInfinity }, { 2, 30, 0.5f } });
    EXPECT_EQ (r.levels, (std::array<float, 6> { minusInfinity, -minusInfinity, r.levels[2], minusInfinity, minusInfinity, minusInfinity }));
    EXPECT_NEAR (r.levels[2], -6.0f, 0.5f); // the 0.5 alone
    EXPECT_EQ (readBlock (meter, {}).levels[1], minusInfinity);
}

TEST (TruePeakMeter, BlockReadingsMatchSampleBySampleInterpolationWhateverTheBlockLengths)
{
    // Lengths around the group of four interpolated at once and the eight magnitudes compared at once;
    // now and then a NaN (silence) or an infinite sample (overload for its block).
    for (double rate : { 48000.0, 96000.0, 192000.0 })
    {
        OVEXTruePeakMeter byBlock, bySample;
        byBlock.setSampleRate (64, rate);
        bySample.setSampleRate (64, rate);
        juce::Random noise (7);

        for (int length : { 1, 2, 3, 4, 5, 7, 8, 9, 13, 64, 33, 1 })
        {
            juce::AudioSampleBuffer block (6, length);
            float highest[6] = {};
            bool infinite[6] = {};

            for (int i = 0; i < length; ++i)
                for (int c = 0; c < 6; ++c)
                {
                    const int pick = noise.nextInt (90);
                    block.setSample (c, i, pick == 0 ? std::nanf ("") : pick == 1 ? -minusInfinity : noise.nextFloat() * 2.0f - 1.0f);
                    highest[c] = std::max (highest[c], bySample.truePeakOfSample (c, block.getSample (c, i)));
                    infinite[c] = infinite[c] || pick == 1;
                }

            TruePeakResult r;
            byBlock.processBlock (block);
            byBlock.getSnapshot (r);

            for (int c = 0; c < 6; ++c)
                EXPECT_EQ (r.levels[(size_t) c], infinite[c] ? -minusInfinity : (float) (20.0 * std::log10 ((double) highest[c])))
                    << rate << " Hz, block of " << length << ", channel " << c;
        }
    }
}

TEST (TruePeakMeter, WithoutInterpolationTheHistoryStillFollowsTheBlocksForALaterChangeOfRate)
{
    OVEXTruePeakMeter switched, interpolating;
    switched.setSampleRate (64, 192000.0);
    interpolating.setSampleRate (64, 48000.0);
    juce::Random noise (3);
    TruePeakResult afterSwitch, throughout;

    // Blocks shorter than the history keep part of the one before.
    for (int length : { 30, 3, 1, 7, 2, 5 })
    {
        if (length == 5)
            switched.setSampleRate (64, 48000.0);

        juce::AudioSampleBuffer block (6, length);

        for (int c = 0; c < 6; ++c)
            for (int i = 0; i < length; ++i)
                block.setSample (c, i, noise.nextFloat() * 2.0f - 1.0f);

        switched.processBlock (block);
        interpolating.processBlock (block);
    }

    switched.getSnapshot (afterSwitch);
    interpolating.getSnapshot (throughout);
    EXPECT_EQ (afterSwitch.levels, throughout.levels);
}
