#include "OVEXSlidingWindowFifo.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{
/** Channel c counts up from start + 1000 c. */
juce::AudioSampleBuffer ramp (int channels, int samples, float start)
{
    juce::AudioSampleBuffer b (channels, samples);

    for (int c = 0; c < channels; ++c)
        for (int i = 0; i < samples; ++i)
            b.setSample (c, i, start + (float) i + 1000.0f * (float) c);

    return b;
}
} // namespace

TEST (SlidingWindowFifo, ShortReadZeroFillsConsumesItsShareOfWhatWasCopiedAndStaysInsideTheDestination)
{
    OVEXSlidingWindowFifo fifo (2, 16, 0.5f);
    fifo.write (ramp (2, 4, 1.0f));
    juce::AudioSampleBuffer dest (1, 6); // fewer channels than the queue
    dest.setSample (0, 5, 99.0f);
    EXPECT_EQ (fifo.readWindow (dest, 6), 4);

    for (int i = 0; i < 6; ++i)
        EXPECT_EQ (dest.getSample (0, i), i < 4 ? 1.0f + (float) i : 0.0f) << i;

    EXPECT_EQ (fifo.getNumReady(), 2);

    fifo.write (ramp (2, 8, 5.0f));
    EXPECT_EQ (fifo.readWindow (dest, 10), 6);
    EXPECT_EQ (dest.getSample (0, 5), 8.0f);
}

TEST (SlidingWindowFifo, HopIsTheNonOverlappingPartComputedInSinglePrecision)
{
    struct Case { int window; float overlap; int hop; };
    // 1.0f - 0.8f is just under 0.2: the short-term hop at 48 kHz is 28799, not 28800.
    const Case cases[] = { { 19200, 0.75f, 4800 }, { 144000, 0.8f, 28799 }, { 132300, 0.8f, 26459 },
                           { 17640, 0.75f, 4410 }, { 576000, 0.8f, 115199 } };

    for (auto c : cases)
    {
        OVEXSlidingWindowFifo fifo (1, 4 * c.window, c.overlap);
        juce::AudioSampleBuffer block (1, c.window);
        block.clear();
        fifo.write (block);
        fifo.readWindow (block, c.window);
        EXPECT_EQ (fifo.getNumReady(), c.window - c.hop) << c.window;
    }
}

TEST (SlidingWindowFifo, ReadsAcrossTheWrapInWriteOrderWithOrWithoutACopy)
{
    for (bool inPlace : { false, true })
    {
        OVEXSlidingWindowFifo fifo (2, 10, 0.5f);
        juce::AudioSampleBuffer dest (2, 8);
        fifo.write (ramp (2, 6, 0.0f));
        fifo.readWindow (dest, 6); // consumes 3: the next six samples wrap past the end of the ring
        fifo.write (ramp (2, 6, 6.0f));

        std::vector<float> left, right;
        auto collect = [&] (const juce::AudioSampleBuffer& source, int start, int size)
        {
            for (int i = start; i < start + size; ++i)
            {
                left.push_back (source.getSample (0, i));
                right.push_back (source.getSample (1, i));
            }
        };

        EXPECT_EQ (inPlace ? fifo.readWindowInPlace (8, collect) : fifo.readWindow (dest, 8), 8);

        if (! inPlace)
            collect (dest, 0, 8);

        ASSERT_EQ (left.size(), 8u);

        for (size_t i = 0; i < 8; ++i)
        {
            EXPECT_EQ (left[i], 3.0f + (float) i) << inPlace;
            EXPECT_EQ (right[i], 1003.0f + (float) i) << inPlace;
        }

        EXPECT_EQ (fifo.getNumReady(), 5);
    }
}
