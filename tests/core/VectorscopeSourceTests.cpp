#include "VectorscopeSource.h"

#include <gtest/gtest.h>

namespace
{
juce::AudioSampleBuffer channelNumbers (int samples)
{
    juce::AudioSampleBuffer b (6, samples);

    for (int c = 0; c < 6; ++c)
        juce::FloatVectorOperations::fill (b.getWritePointer (c), (float) (c + 1), samples);

    return b;
}
} // namespace

TEST (VectorscopeSource, StartsWithLeftAndRightAndPutsTheRightInputFirst)
{
    VectorscopeSource source;
    source.pushBlock (channelNumbers (64));
    juce::AudioSampleBuffer dest;
    source.pullStereo (dest, 32);
    ASSERT_EQ (dest.getNumChannels(), 2);
    ASSERT_EQ (dest.getNumSamples(), 32);
    EXPECT_EQ (dest.getSample (0, 0), 2.0f);
    EXPECT_EQ (dest.getSample (1, 31), 1.0f);

    source.setLeftChannel ("LS");
    source.setRightChannel ("RS");
    source.pullStereo (dest, 32);
    EXPECT_EQ (dest.getSample (0, 0), 6.0f);
    EXPECT_EQ (dest.getSample (1, 0), 5.0f);
    EXPECT_EQ (source.getNumReady(), 0);
}

TEST (VectorscopeSource, SameRoleTwiceGivesTwoEqualChannelsAndUnknownRolesChannelZero)
{
    VectorscopeSource source;
    source.pushBlock (channelNumbers (64));
    source.setLeftChannel ("C");
    source.setRightChannel ("C");
    juce::AudioSampleBuffer dest;
    source.pullStereo (dest, 16);
    EXPECT_EQ (dest.getSample (0, 5), 3.0f);
    EXPECT_EQ (dest.getSample (1, 5), 3.0f);

    source.setRightChannel ("Centre");
    source.pullStereo (dest, 16);
    EXPECT_EQ (dest.getSample (0, 5), 1.0f);
}

TEST (VectorscopeSource, WithNobodyPullingItKeepsTheOldestAudio)
{
    VectorscopeSource source;
    juce::AudioSampleBuffer block (6, 512);
    float next = 0.0f;

    for (int b = 0; b < 40; ++b)
    {
        for (int i = 0; i < 512; ++i)
            for (int c = 0; c < 6; ++c)
                block.setSample (c, i, next);

        for (int i = 0; i < 512; ++i)
            block.setSample (0, i, next++);

        source.pushBlock (block);
    }

    EXPECT_EQ (source.getNumReady(), 16383);
    juce::AudioSampleBuffer dest;
    source.pullStereo (dest, 64);
    EXPECT_EQ (dest.getSample (1, 0), 0.0f);
    EXPECT_EQ (dest.getSample (1, 63), 63.0f);
    source.pullStereo (dest, 64);
    EXPECT_EQ (dest.getSample (1, 0), 64.0f);
}
