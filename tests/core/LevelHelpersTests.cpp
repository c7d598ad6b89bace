#include "LevelHelpers.h"
#include "OVEXDownmixer.h"

#include <gtest/gtest.h>

#include <utility>

TEST (LevelHelpers, RoundingSendsHalvesUpInSinglePrecision)
{
    // -0.05 and -23.05 fail when a multiply-add is fused.
    const std::pair<float, float> tenths[] = { { 0.05f, 0.1f }, { -0.05f, 0.0f }, { -23.05f, -23.0f },
                                               { -23.04f, -23.0f }, { -23.15f, -23.1f }, { -70.0f, -70.0f } };

    for (auto [in, out] : tenths)
        EXPECT_EQ (roundToTenth (in), out) << in;

    EXPECT_EQ (std::make_pair (roundToHundredth (0.994f), roundToHundredth (0.995f)), std::make_pair (0.99f, 1.0f));
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
