#include "OvexjuceLoudnessAudioProcessor.h"
#include "ProcessorTestAccess.h"

#include <gtest/gtest.h>

#include <limits>

TEST (BarLaw, LevelsLandOnTheirPixelsOnTheScaleTheStandardAndScaleChoose)
{
    constexpr float minusInfinity = -std::numeric_limits<float>::infinity();
    struct Case { float standard, scale; int isTruePeak; float level; int pixel; };
    const Case cases[] = {
        { 0, 0, 0, -59.0f, 0 }, { 0, 0, 0, -5.0f, 569 }, { 0, 0, 0, -23.0f, 314 }, { 0, 0, 0, -24.0f, 302 },
        { 0, 0, 0, -58.9f, 1 }, { 0, 0, 0, -70.0f, -60 }, { 0, 0, 0, 0.0f, 656 },
        { 0, 1, 0, -23.0f, 314 }, { 0, 1, 0, -24.0f, 290 }, { 0, 1, 0, -41.0f, 0 }, { 0, 1, 0, -14.0f, 569 },
        { 1, 0, 0, -24.0f, 314 }, { 1, 0, 0, -23.0f, 326 }, { 1, 0, 0, -60.0f, 0 }, { 1, 0, 0, -6.0f, 569 },
        { 1, 1, 0, -24.0f, 314 }, { 1, 1, 0, -42.0f, 0 }, { 1, 1, 0, -15.0f, 569 },
        { 2, 1, 0, -24.0f, 314 },   // ARIB shares the ATSC scales
        { 1, 2, 0, -23.0f, 314 },   // an unknown scale falls back to EBU +18
        { 0.4f, 0, 0, -23.0f, 314 }, { 0.5f, 0, 0, -23.0f, 314 }, { 1.5f, 0, 0, -23.0f, 326 }, // ties go to even
        { 0, 0, 1, -60.0f, 0 }, { 0, 0, 1, 5.0f, 569 }, { 0, 0, 1, -1.0f, 490 }, { 0, 0, 1, 0.0f, 502 },
        { 0, 0, 1, -70.0f, -46 }, { 1, 1, 1, -1.0f, 490 },
        { 0, 0, 0, minusInfinity, -330 }, { 0, 0, 1, minusInfinity, -330 },
        { 0, 0, 1, std::numeric_limits<float>::quiet_NaN(), -330 },
        { 0, 0, 1, -minusInfinity, std::numeric_limits<int>::max() },
    };

    OvexjuceLoudnessAudioProcessor p (nullptr);

    for (const auto& c : cases)
    {
        p.setParameterValue (1, c.standard);
        p.setParameterValue (2, c.scale);
        EXPECT_EQ (p.valueToPixel (c.isTruePeak, c.level), c.pixel)
            << "standard " << c.standard << " scale " << c.scale << " true peak " << c.isTruePeak << " level " << c.level;
    }

    EXPECT_NEAR (p.valueToFraction (1, -1.0f), 0.8605084f, 1e-6f);
}

TEST (TruePeakAlarms, RaisedOnlyAboveTheThresholdAndHeldUntilCleared)
{
    OvexjuceLoudnessAudioProcessor p (nullptr);
    ProcessorTestAccess::prepare (p, 48000.0, 512);
    const auto& m = ProcessorTestAccess::meters (p);

    ProcessorTestAccess::updateChannelTruePeak (p, 2, -1.0f);
    EXPECT_EQ (std::make_pair (m.channelAlarm[2] + m.truePeakAlarm, m.heldTruePeak[2]), std::make_pair (0, -1.0f));

    EXPECT_EQ (ProcessorTestAccess::updateChannelTruePeak (p, 2, -0.9f), 491);
    EXPECT_FLOAT_EQ (m.truePeakFraction[2], 491.0f / 569.0f);
    ProcessorTestAccess::updateChannelTruePeak (p, 2, -20.0f);
    EXPECT_EQ (std::make_pair (m.channelAlarm[2] + m.truePeakAlarm, m.heldTruePeak[2]), std::make_pair (2, -0.9f));

    // While a device plays, the clearing waits for the next block.
    p.clearAlarms();
    EXPECT_EQ (m.channelAlarm[2] + m.truePeakAlarm, 2);
    ProcessorTestAccess::updateChannelTruePeak (p, 2, -20.0f);
    EXPECT_EQ (m.channelAlarm[2] + m.truePeakAlarm, 0);
    ProcessorTestAccess::updateChannelTruePeak (p, 2, -0.5f);
    EXPECT_EQ (m.channelAlarm[2] + m.truePeakAlarm, 2);

    // Channels beyond the count given sit at the bottom of the scale.
    const float levels[] = { -3.04f, -12.0f };
    ProcessorTestAccess::updateTruePeaks (p, levels, 2);
    EXPECT_EQ (m.heldTruePeak, (std::array<float, 6> { -3.0f, -12.0f, -0.5f, -60.0f, -60.0f, -60.0f }));
    EXPECT_EQ (m.truePeakFraction[5], 0.0f);
}
