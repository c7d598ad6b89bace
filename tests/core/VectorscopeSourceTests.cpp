#include "VectorscopeSource.h"

#include <gtest/gtest.h>

TEST (VectorscopeSource, PutsTheRightRoleFirstStartingFromLeftAndRight)
{
    // Channel c holds c + 1 throughout.
    VectorscopeSource source;
    juce::AudioSampleBuffer block (6, 128), dest;

    for (int c = 0; c < 6; ++c)
        juce::FloatVectorOperations::fill (block.getWritePointer (c), (float) (c + 1), 128);

    source.pushBlock (block);

    struct Case { const char* left; const char* right; float first, second; };
    const Case cases[] = { { nullptr, nullptr, 2.0f, 1.0f }, { "LS", "RS", 6.0f, 5.0f }, { "C", "C", 3.0f, 3.0f },
                           { "C", "Centre", 1.0f, 3.0f } }; // an unknown name selects channel 0

    for (auto c : cases)
    {
        if (c.left != nullptr)
        {
            source.setLeftChannel (c.left);
            source.setRightChannel (c.right);
        }

        source.pullStereo (dest, 32);
        ASSERT_EQ (std::make_pair (dest.getNumChannels(), dest.getNumSamples()), std::make_pair (2, 32));
        EXPECT_EQ (std::make_pair (dest.getSample (0, 31), dest.getSample (1, 31)), std::make_pair (c.first, c.second)) << c.right;
    }

    EXPECT_EQ (source.getNumReady(), 0);
}

TEST (VectorscopeSource, WithNobodyPullingItKeepsTheOldestAudioAndPullsConsecutiveRuns)
{
    VectorscopeSource source;
    juce::AudioSampleBuffer block (6, 512);
    float next = 0.0f;

    for (int b = 0; b < 40; ++b)
    {
        block.clear();

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
