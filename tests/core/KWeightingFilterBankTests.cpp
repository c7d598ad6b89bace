#include "KWeightingFilterBank.h"
#include "ReadingFingerprint.h"

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

class KWeightingLanes : public testing::TestWithParam<KernelSet>
{
protected:
    void SetUp() override
    {
        if (! isAvailable (GetParam()))
            GTEST_SKIP() << "this processor cannot run the AVX2 kernels";

        bank.setKernelSet (GetParam());
        const auto weighting = KWeighting::forSampleRate (48000.0);
        bank.setCoefficients (weighting);

        for (size_t c = 0; c < 6; ++c)
        {
            plainPre[c].setCoefficients (weighting.preFilter);
            plainRlb[c].setCoefficients (weighting.rlbFilter);
        }
    }

    /** Channels of noise 30 dB apart, down to 1e-15, so that states grow tiny within blocks. */
    std::vector<std::vector<float>> noise (int numSamples)
    {
        std::vector<std::vector<float>> channels (6, std::vector<float> ((size_t) numSamples));

        for (size_t c = 0; c < 6; ++c)
            for (auto& sample : channels[c])
                sample = (random.nextFloat() * 2.0f - 1.0f) * std::pow (10.0f, -3.0f * (float) c);

        return channels;
    }

    /** One block through the bank and through plain filters channel by channel; counts the output
        samples and states that differ. */
    int differencesAfter (std::vector<std::vector<float>> channels, int numChannels, bool inPlace)
    {
        const int n = (int) channels[0].size();
        auto expected = channels;
        std::vector<std::vector<float>> separate (6, std::vector<float> ((size_t) n, 99.0f));
        const float* source[6];
        float* destination[6];

        for (size_t c = 0; c < 6; ++c)
        {
            source[c] = channels[c].data();
            destination[c] = inPlace ? channels[c].data() : separate[c].data();
        }

        bank.process (source, destination, numChannels, n);
        int differences = 0;

        for (size_t c = 0; c < (size_t) numChannels; ++c)
        {
            plainPre[c].processSamples (expected[c].data(), n);
            plainRlb[c].processSamples (expected[c].data(), n);

            for (int i = 0; i < n; ++i)
                differences += sameValue (destination[c][i], expected[c][(size_t) i]) ? 0 : 1;

            for (auto [ours, theirs] : { std::pair { &bank.preFilters[c], &plainPre[c] }, std::pair { &bank.rlbFilters[c], &plainRlb[c] } })
                differences += (sameValue (ours->firstState(), theirs->firstState()) ? 0 : 1)
                             + (sameValue (ours->secondState(), theirs->secondState()) ? 0 : 1);
        }

        return differences;
    }

    KWeightingFilterBank bank;
    std::array<KWeightingFilterBank::Filter, 6> plainPre, plainRlb;
    juce::Random random { 17 };
};
} // namespace

TEST_P (KWeightingLanes, FilterBitForBitAsTheFrameworkChannelByChannelWhateverTheBlockLength)
{
    // Lengths around the run of frames turned at once, and an empty block, which flushes tiny states too.
    for (int numChannels : { 6, 4 })
    {
        int block = 0;

        for (int length : { 512, 1, 15, 16, 17, 0, 33, 1000, 3 })
        {
            EXPECT_EQ (differencesAfter (noise (length), numChannels, block % 2 == 0), 0)
                << numChannels << " channels, block " << block << " of " << length;
            ++block;
        }
    }
}

TEST_P (KWeightingLanes, StatesAreFlushedToZeroOnceABlockAsTheFrameworkDoesNaNIncluded)
{
    auto block = noise (64);
    block[1][10] = std::numeric_limits<float>::quiet_NaN();
    block[2][20] = std::numeric_limits<float>::infinity();
    EXPECT_EQ (differencesAfter (block, 6, true), 0);

    // A NaN state compares false with the threshold either way, so it is flushed like a tiny one.
    EXPECT_EQ (bank.preFilters[1].firstState(), 0.0f);
    EXPECT_EQ (bank.preFilters[2].firstState(), 0.0f);

    bank.preFilters[0].firstState() = 0.9e-8f;
    plainPre[0].firstState() = 0.9e-8f;
    bank.rlbFilters[3].secondState() = -1.1e-8f;
    plainRlb[3].secondState() = -1.1e-8f;
    EXPECT_EQ (differencesAfter (noise (0), 6, true), 0);
    EXPECT_EQ (bank.preFilters[0].firstState(), 0.0f);
    EXPECT_EQ (bank.rlbFilters[3].secondState(), -1.1e-8f);

    // Channels that start silent keep filtering silence into their tiny tails, flushed only at the end.
    EXPECT_EQ (differencesAfter (std::vector<std::vector<float>> (6, std::vector<float> (300, 0.0f)), 6, false), 0);
}

INSTANTIATE_TEST_SUITE_P (BothBuilds, KWeightingLanes, testing::Values (KernelSet::portable, KernelSet::avx2),
                          testsupport::nameOfKernels);
