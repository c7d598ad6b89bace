#include "WindowEnergy.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

TEST (WindowEnergy, EveryWindowSumsBitForBitAsSummingItAloneWhateverTheOverlapResetsAndWraps)
{
    // Overlaps giving 2, 4, 6 (a hop just under a fifth) and 10 windows over each sample, the last
    // more than the lanes hold, and a window of 3 whose hop is nothing, which reads it again.
    struct Case { int window; float overlap; };
    const Case cases[] = { { 40, 0.5f }, { 48, 0.75f }, { 100, 0.8f }, { 60, 0.9f }, { 3, 0.75f } };

    for (const auto& c : cases)
    {
        OVEXSlidingWindowFifo carried (6, 4 * c.window + 7, c.overlap), alone (6, 4 * c.window + 7, c.overlap);
        WindowEnergy energy (carried, c.window);
        juce::Random random (c.window);
        int windows = 0;

        const auto resetBoth = [&]
        {
            carried.requestReset();
            alone.requestReset();
        };

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
                resetBoth();

            // Both carry out a pending reset when asked how much they hold; now and then a reset lands
            // between that check and the read, which then finds less than a window.
            while (std::min (carried.getNumReady(), alone.getNumReady()) >= c.window)
            {
                if (random.nextInt (80) == 0)
                    resetBoth();

                std::array<double, 6> expected {};
                alone.readWindowInPlace (c.window, [&] (const juce::AudioSampleBuffer& source, int start, int size)
                {
                    for (int ch = 0; ch < 6; ++ch)
                        for (int i = start; i < start + size; ++i)
                            expected[(size_t) ch] += source.getSample (ch, i) * source.getSample (ch, i);
                });

                const auto sums = energy.readNext();
                ASSERT_EQ (std::memcmp (sums.data(), expected.data(), sizeof (sums)), 0) << c.window << " samples, window " << windows;
                ++windows;
            }
        }

        EXPECT_GT (windows, 100) << c.window;
    }
}
