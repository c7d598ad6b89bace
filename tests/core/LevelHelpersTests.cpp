#include "LevelHelpers.h"
#include "OVEXDownmixer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST (LevelHelpers, RoundingSendsHalvesUpInSinglePrecision)
{
    struct Case { float in, tenth; };
    // -0.05 and -23.05 fail when a multiply-add is fused.
    const Case cases[] = { { 0.05f, 0.1f }, { -0.05f, 0.0f }, { -23.05f, -23.0f }, { -23.04f, -23.0f },
                           { -23.15f, -23.1f }, { -70.0f, -70.0f }, { 0.0f, 0.0f } };

    for (auto c : cases)
        EXPECT_EQ (roundToTenth (c.in), c.tenth) << c.in;

    EXPECT_EQ (roundToHundredth (0.994f), 0.99f);
    EXPECT_EQ (roundToHundredth (0.995f), 1.0f);
    EXPECT_TRUE (std::isinf (roundToTenth (-std::numeric_limits<float>::infinity())));
}

TEST (LevelHelpers, FindMaximumKeepsTheFirstOfEqualValuesAndReadsNothingForAnEmptyArray)
{
    const float values[] = { -3.0f, -1.5f, -2.0f };
    EXPECT_EQ (findMaximum (values, 3), -1.5f);
    EXPECT_EQ (findMaximum (values, 0), 0.0f);
    EXPECT_EQ (findMaximum (values, 1), -3.0f);
}

TEST (LevelHelpers, SamplesToTimecodeSplitsCountsIntoClockParts)
{
    struct Case { double count, fps, rate; int sub, s, m, h; };
    const Case cases[] = {
        { 48000, 0, 48000, 0, 1, 0, 0 },
        { 4.0e9, 0, 48000, 333, 53, 8, 23 },
        { 90000, 25, 48000, 21, 1, 0, 0 },  // 1920 samples a frame, frame 46 of the run
        { 72000, 0, 48000, 500, 1, 0, 0 },
        { 1000, 0, 0, 0, 0, 0, 0 },         // no rate: nothing to divide by
        { 1000, 0.5, 48000, 0, 0, 0, 0 },   // under one frame a second
        { 1000, 96000, 48000, 0, 0, 0, 0 }, // under one sample a frame
    };

    for (auto c : cases)
    {
        int sub = -1, s = -1, m = -1, h = -1;
        samplesToTimecode (c.count, c.fps, c.rate, sub, s, m, h);
        EXPECT_EQ (sub, c.sub) << c.count << " " << c.fps;
        EXPECT_EQ (s, c.s) << c.count;
        EXPECT_EQ (m, c.m) << c.count;
        EXPECT_EQ (h, c.h) << c.count;
    }
}

TEST (Downmixer, FoldsCentreAndSurroundsAtMinusThreeDecibelsAndDropsTheLfe)
{
    juce::AudioSampleBuffer buffer (6, 4);
    buffer.clear();
    buffer.setSample (0, 0, 0.25f); // L
    buffer.setSample (2, 0, 0.5f);  // C
    buffer.setSample (4, 0, 0.125f); // LS
    buffer.setSample (2, 1, 1.0f);
    buffer.setSample (3, 2, 1.0f);  // LFE only
    buffer.setSample (5, 3, 1.0f);  // RS only

    OVEXDownmixer().process (buffer);

    EXPECT_EQ (buffer.getSample (0, 0), (0.25f + 0.5f * 0.7071f) + 0.125f * 0.7071f);
    EXPECT_EQ (buffer.getSample (1, 0), 0.5f * 0.7071f);
    EXPECT_EQ (buffer.getSample (0, 1), 0.7071f);
    EXPECT_EQ (buffer.getSample (1, 1), 0.7071f);
    EXPECT_EQ (buffer.getSample (0, 2), 0.0f);
    EXPECT_EQ (buffer.getSample (1, 2), 0.0f);
    EXPECT_EQ (buffer.getSample (0, 3), 0.0f);
    EXPECT_EQ (buffer.getSample (1, 3), 0.7071f);

    for (int c = 2; c < 6; ++c)
        EXPECT_EQ (buffer.getMagnitude (c, 0, 4), 0.0f) << c;
}
