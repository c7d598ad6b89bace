#include "ReadingFingerprint.h"
#include "WindowEnergy.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace
{
/** The window summed on its own, straight from the queue: squares in single precision, summed in double in sample order. */
std::array<double, 6> sumAlone (OVEXSlidingWindowFifo& fifo, int windowLength)
{
    std::array<double, 6> sums {};

    fifo.readWindowInPlace (windowLength, [&] (const juce::AudioSampleBuffer& source, int start, int size)
    {
        for (int c = 0; c < 6; ++c)
            for (int i = start; i < start + size; ++i)
            {
                const float sample = source.getSample (c, i);
                sums[(size_t) c] += sample * sample;
            }
    });

    return sums;
}

bool sameBits (const std::array<double, 6>& a, const std::array<double, 6>& b)
{
    return std::memcmp (a.data(), b.data(), sizeof (a)) == 0;
}

class WindowEnergyKernels : public testing::TestWithParam<KernelSet>
{
protected:
    void SetUp() override
    {
        if (! isAvailable (GetParam()))
            GTEST_SKIP() << "this processor cannot run the AVX2 kernels";
    }
};
} // namespace

TEST_P (WindowEnergyKernels, EveryWindowSumsBitForBitAsSummingItAloneWhateverTheOverlapResetsAndWraps)
{
    // Window lengths and overlaps giving 2, 4, 6 (a hop just under a fifth) and 10 windows over each
    // sample, the last more than the lanes hold, and a hop of nothing, which reads the same window again.
    struct Case { int window; float overlap; };
    const Case cases[] = { { 40, 0.5f }, { 48, 0.75f }, { 100, 0.8f }, { 60, 0.9f }, { 3, 0.75f } };

    for (const auto& c : cases)
    {
        OVEXSlidingWindowFifo carried (6, 4 * c.window + 7, c.overlap), alone (6, 4 * c.window + 7, c.overlap);
        WindowEnergy energy (carried, c.window);
        energy.setKernelSet (GetParam());
        juce::Random random (c.window);
        int windows = 0;

        for (int step = 0; step < 400; ++step)
        {
            // Blocks of any length, at levels far apart, so that the sums round differently in another order.
            juce::AudioSampleBuffer block (6, 1 + random.nextInt (c.window));

            for (int ch = 0; ch < 6; ++ch)
                for (int i = 0; i < block.getNumSamples(); ++i)
                    block.setSample (ch, i, (random.nextFloat() - 0.5f) * std::pow (10.0f, (float) -random.nextInt (6)));

            carried.write (block);
            alone.write (block);

            if (random.nextInt (60) == 0)
            {
                carried.requestReset();
                alone.requestReset();
            }

            // Both queues carry out a pending reset when asked how much they hold.
            const auto bothHoldAWindow = [&] { return std::min (carried.getNumReady(), alone.getNumReady()) >= c.window; };

            while (bothHoldAWindow())
            {
                // Now and then a reset lands between the check and the read, which then finds less.
                if (random.nextInt (80) == 0)
                {
                    carried.requestReset();
                    alone.requestReset();
                }

                ASSERT_TRUE (sameBits (energy.readNext(), sumAlone (alone, c.window)))
                    << c.window << " samples, overlap " << c.overlap << ", window " << windows;
                ++windows;
            }
        }

        EXPECT_GT (windows, 100) << c.window;
    }
}

INSTANTIATE_TEST_SUITE_P (BothBuilds, WindowEnergyKernels, testing::Values (KernelSet::portable, KernelSet::avx2),
                          testsupport::nameOfKernels);
