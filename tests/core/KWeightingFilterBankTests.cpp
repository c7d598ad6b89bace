#include "KWeightingFilterBank.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace
{
/** The same bits, or both NaN: which NaN an operation gives depends on its operands' order. */
bool sameValue (float a, float b)
{
    return (std::isnan (a) && std::isnan (b)) || std::memcmp (&a, &b, sizeof (a)) == 0;
}
} // namespace

TEST (KWeightingFilterBank, FiltersBitForBitAsTheFrameworkChannelByChannelAcrossBlocks)
{
    // Block lengths around the run of frames turned at once, an empty block (which flushes tiny
    // states too), a NaN and an infinity, and tiny states that are or are not flushed at a block's
    // end; six channels run side by side, four through the framework's own loop.
    struct Case { int numChannels, length; bool inPlace; float special, presetState; };
    const Case cases[] = {
        { 6, 512, true, 0.0f, 0.0f },  { 6, 1, false, 0.0f, 0.0f },   { 6, 15, true, 0.0f, 0.0f },
        { 6, 17, false, 0.0f, 0.0f },  { 6, 0, true, 0.0f, 0.9e-8f }, { 6, 33, false, 0.0f, -1.1e-8f },
        { 6, 64, true, std::numeric_limits<float>::quiet_NaN(), 0.0f },
        { 6, 64, false, std::numeric_limits<float>::infinity(), 0.0f },
        { 6, 300, true, 0.0f, 0.0f },  { 4, 1000, true, 0.0f, 0.0f }, { 4, 3, false, 0.0f, 0.0f },
    };

    const auto weighting = KWeighting::forSampleRate (48000.0);
    KWeightingFilterBank bank;
    std::array<KWeightingFilterBank::Filter, 6> pre, rlb;
    bank.setCoefficients (weighting);

    for (auto& f : pre)
        f.setCoefficients (weighting.preFilter);

    for (auto& f : rlb)
        f.setCoefficients (weighting.rlbFilter);

    juce::Random random (17);

    for (const auto& c : cases)
    {
        const int index = (int) (&c - cases);
        bank.preFilters[1].firstState() = pre[1].firstState() = c.presetState;
        bank.rlbFilters[3].secondState() = rlb[3].secondState() = c.presetState;

        // Channels 30 dB apart down to 1e-15, so that states grow tiny within blocks; silence after 300.
        std::vector<std::vector<float>> in (6, std::vector<float> ((size_t) c.length)), out = in, expected;

        for (size_t ch = 0; ch < 6; ++ch)
            for (auto& sample : in[ch])
                sample = index == 8 ? 0.0f : (random.nextFloat() * 2.0f - 1.0f) * std::pow (10.0f, -3.0f * (float) ch);

        if (c.length > 0)
            in[2][(size_t) c.length / 2] = c.special == 0.0f ? in[2][(size_t) c.length / 2] : c.special;

        expected = in;
        const float* source[6];
        float* destination[6];

        for (size_t ch = 0; ch < 6; ++ch)
        {
            source[ch] = in[ch].data();
            destination[ch] = c.inPlace ? in[ch].data() : out[ch].data();
        }

        bank.process (source, destination, c.numChannels, c.length);

        for (size_t ch = 0; ch < (size_t) c.numChannels; ++ch)
        {
            pre[ch].processSamples (expected[ch].data(), c.length);
            rlb[ch].processSamples (expected[ch].data(), c.length);

            for (int i = 0; i < c.length; ++i)
                ASSERT_TRUE (sameValue (destination[ch][i], expected[ch][(size_t) i])) << "case " << index << ", channel " << ch << ", sample " << i;

            for (auto [ours, theirs] : { std::pair { &bank.preFilters[ch], &pre[ch] }, std::pair { &bank.rlbFilters[ch], &rlb[ch] } })
                EXPECT_TRUE (sameValue (ours->firstState(), theirs->firstState()) && sameValue (ours->secondState(), theirs->secondState()))
                    << "case " << index << ", channel " << ch;
        }
    }
}
