#include "LevelHelpers.h"
#include "OVEXDownmixer.h"

#include <gtest/gtest.h>

#include <tuple>

TEST (LevelHelpers, RoundingSendsHalvesUpInSinglePrecision)
{
    // -0.05 and -23.05 fail when a multiply-add is fused.
    const std::pair<float, float> tenths[] = { { 0.05f, 0.1f }, { -0.05f, 0.0f }, { -23.05f, -23.0f },
                                               { -23.04f, -23.0f }, { -23.15f, -23.1f }, { -70.0f, -70.0f } };

    for (auto [in, out] : tenths)
        EXPECT_EQ (roundToTenth (in), out) << in;

    EXPECT_EQ (std::make_pair (roundToHundredth (0.994f), roundToHundredth (0.995f)), std::make_pair (0.99f, 1.0f));
}

TEST (LevelHelpers, SamplesToTimecodeSplitsCountsIntoClockPartsAndNeverDividesByZero)
{
    struct Case { double count, fps, rate; int sub, s, m, h; };
    const Case cases[] = {
        { 48000, 0, 48000, 0, 1, 0, 0 },
        { 4.0e9, 0, 48000, 333, 53, 8, 23 },
        { 90000, 25, 48000, 21, 1, 0, 0 },  // 1920 samples a frame, frame 46 of the run
        { 72000, 0, 48000, 500, 1, 0, 0 },
        { 1000, 0, 0, 0, 0, 0, 0 },         // no rate
        { 1000, 0.5, 48000, 0, 0, 0, 0 },   // under one frame a second
        { 1000, 96000, 48000, 0, 0, 0, 0 }, // under one sample a frame
    };

    for (auto c : cases)
    {
        int sub = -1, s = -1, m = -1, h = -1;
        samplesToTimecode (c.count, c.fps, c.rate, sub, s, m, h);
        EXPECT_EQ (std::tie (sub, s, m, h), std::tie (c.sub, c.s, c.m, c.h)) << c.count << " at " << c.fps << " fps, " << c.rate << " Hz";
    }
}

TEST (Downmixer, FoldsCentreAndSurroundsAtMinusThreeDecibelsAndDropsTheLfe)
{
    juce::AudioSampleBuffer buffer (6, 3);
    buffer.clear();
    const float mix[] = { 0.25f, 0.0f, 0.5f, 0.0f, 0.125f, 0.125f };

    for (int c = 0; c < 6; ++c)
        buffer.setSample (c, 0, mix[c]);

    buffer.setSample (2, 1, 1.0f); // C only
    buffer.setSample (3, 2, 1.0f); // LFE only
    OVEXDownmixer().process (buffer);

    // L + 0.7071 (C + LS) and R + 0.7071 (C + RS), worked out by hand.
    EXPECT_NEAR (buffer.getSample (0, 0), 0.25f + 0.7071f * 0.625f, 1e-7f);
    EXPECT_NEAR (buffer.getSample (1, 0), 0.7071f * 0.625f, 1e-7f);
    EXPECT_EQ (std::make_pair (buffer.getSample (0, 1), buffer.getSample (1, 1)), std::make_pair (0.7071f, 0.7071f));
    EXPECT_EQ (buffer.getMagnitude (0, 2, 1) + buffer.getMagnitude (1, 2, 1), 0.0f);

    for (int c = 2; c < 6; ++c)
        EXPECT_EQ (buffer.getMagnitude (c, 0, 3), 0.0f) << c;
}
