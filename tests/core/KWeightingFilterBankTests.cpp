#include "KWeightingFilterBank.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

TEST (KWeightingFilterBank, FiltersBitForBitAsTheFrameworkChannelByChannelAcrossBlocks)
{
    // Block lengths around the run of frames turned at once; an empty block, which flushes tiny
    // states too; a NaN and an infinity; tiny states flushed or kept at a block's end; silence, whose
    // tails shrink within the block; and four channels, which take the framework's own loop.
    struct Case { int numChannels, length; float special, presetState; };
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    const Case cases[] = { { 6, 512, 1, 0 }, { 6, 1, 1, 0 },   { 6, 15, 1, 0 },    { 6, 17, 1, 0 },       { 6, 0, 1, 0.9e-8f },
                           { 6, 33, 1, -1.1e-8f }, { 6, 64, nan, 0 }, { 6, 64, inf, 0 }, { 6, 300, 0, 0 }, { 4, 1000, 1, 0 }, { 4, 3, 1, 0 } };

    const auto weighting = KWeighting::forSampleRate (48000.0);
    KWeightingFilterBank bank;
    std::array<KWeightingFilterBank::Filter, 6> pre, rlb;
    bank.setCoefficients (weighting);

    for (size_t ch = 0; ch < 6; ++ch)
    {
        pre[ch].setCoefficients (weighting.preFilter);
        rlb[ch].setCoefficients (weighting.rlbFilter);
    }

    const auto same = [] (float a, float b) { return (std::isnan (a) && std::isnan (b)) || std::memcmp (&a, &b, sizeof (a)) == 0; };
    juce::Random random (17);

    for (const auto& c : cases)
    {
        const int index = (int) (&c - cases);
        bank.preFilters[1].firstState() = pre[1].firstState() = c.presetState;
        bank.rlbFilters[3].secondState() = rlb[3].secondState() = c.presetState;

        // Channels 30 dB apart, down to 1e-15; a special value scales all, or replaces one sample.
        std::vector<std::vector<float>> in (6, std::vector<float> ((size_t) c.length)), out = in;

        for (size_t ch = 0; ch < 6; ++ch)
            for (auto& sample : in[ch])
                sample = (random.nextFloat() * 2.0f - 1.0f) * std::pow (10.0f, -3.0f * (float) ch) * (std::isfinite (c.special) ? c.special : 1.0f);

        if (! std::isfinite (c.special))
            in[2][(size_t) c.length / 2] = c.special;

        auto expected = in;
        const float* source[6];
        float* destination[6];

        for (size_t ch = 0; ch < 6; ++ch)
        {
            source[ch] = in[ch].data();
            destination[ch] = index % 2 == 0 ? in[ch].data() : out[ch].data(); // in place or not
        }

        bank.process (source, destination, c.numChannels, c.length);

        for (size_t ch = 0; ch < (size_t) c.numChannels; ++ch)
        {
            pre[ch].processSamples (expected[ch].data(), c.length);
            rlb[ch].processSamples (expected[ch].data(), c.length);

            for (int i = 0; i < c.length; ++i)
                ASSERT_TRUE (same (destination[ch][i], expected[ch][(size_t) i])) << "case " << index << ", channel " << ch << ", sample " << i;

            EXPECT_TRUE (same (bank.preFilters[ch].firstState(), pre[ch].firstState()) && same (bank.preFilters[ch].secondState(), pre[ch].secondState())
                         && same (bank.rlbFilters[ch].firstState(), rlb[ch].firstState()) && same (bank.rlbFilters[ch].secondState(), rlb[ch].secondState()))
                << "case " << index << ", channel " << ch;
        }
    }
}
