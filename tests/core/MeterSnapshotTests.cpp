#include "OvexjuceLoudnessAudioProcessor.h"
#include "ProcessorTestAccess.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace
{
constexpr float minusInfinity = -std::numeric_limits<float>::infinity();

int pixelOn (float standard, float scale, int isTruePeak, float level)
{
    OvexjuceLoudnessAudioProcessor p (nullptr);
    p.setParameterValue (1, standard);
    p.setParameterValue (2, scale);
    return p.valueToPixel (isTruePeak, level);
}
} // namespace

TEST (BarLaw, LevelsLandOnTheirPixelsOnEveryScale)
{
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
    };

    for (const auto& c : cases)
        EXPECT_EQ (pixelOn (c.standard, c.scale, c.isTruePeak, c.level), c.pixel)
            << "standard " << c.standard << " scale " << c.scale << " true peak " << c.isTruePeak << " level " << c.level;

    EXPECT_EQ (pixelOn (0, 0, 1, std::numeric_limits<float>::infinity()), std::numeric_limits<int>::max());

    OvexjuceLoudnessAudioProcessor p (nullptr);
    EXPECT_NEAR (p.valueToFraction (1, -1.0f), 0.8605084f, 1e-6f);
    EXPECT_NEAR (p.valueToFraction (1, 0.0f), 0.8828722f, 1e-6f);
}

TEST (TruePeakAlarms, RaisedOnlyAboveTheThresholdAndHeldUntilCleared)
{
    OvexjuceLoudnessAudioProcessor p (nullptr);
    const auto& m = ProcessorTestAccess::meters (p);

    ProcessorTestAccess::updateChannelTruePeak (p, 2, -1.0f);
    EXPECT_EQ (m.channelAlarm[2], 0);
    EXPECT_EQ (m.truePeakAlarm, 0);
    EXPECT_EQ (m.heldTruePeak[2], -1.0f);

    EXPECT_EQ (ProcessorTestAccess::updateChannelTruePeak (p, 2, -0.9f), 491);
    EXPECT_EQ (m.channelAlarm[2], 1);
    EXPECT_EQ (m.truePeakAlarm, 1);
    EXPECT_FLOAT_EQ (m.truePeakFraction[2], 491.0f / 569.0f);

    ProcessorTestAccess::updateChannelTruePeak (p, 2, -20.0f);
    EXPECT_EQ (m.heldTruePeak[2], -0.9f);
    EXPECT_EQ (m.channelAlarm[2], 1);

    p.clearAlarms();
    EXPECT_EQ (m.channelAlarm[2], 0);
    EXPECT_EQ (m.truePeakAlarm, 0);
    ProcessorTestAccess::updateChannelTruePeak (p, 2, -0.5f);
    EXPECT_EQ (m.channelAlarm[2], 1);
}

TEST (TruePeakAlarms, ChannelsBeyondTheCountSitAtTheBottomOfTheScale)
{
    OvexjuceLoudnessAudioProcessor p (nullptr);
    const float levels[] = { -3.04f, -12.0f };
    ProcessorTestAccess::updateTruePeaks (p, levels, 2);
    const auto& m = ProcessorTestAccess::meters (p);
    EXPECT_EQ (m.heldTruePeak[0], -3.0f);
    EXPECT_EQ (m.heldTruePeak[1], -12.0f);

    for (size_t c = 2; c < 6; ++c)
    {
        EXPECT_EQ (m.heldTruePeak[c], -60.0f);
        EXPECT_EQ (m.truePeakFraction[c], 0.0f);
    }
}

TEST (MeterReset, BringsEveryFieldBackToItsStartingValue)
{
    OvexjuceLoudnessAudioProcessor p (nullptr);
    auto& m = ProcessorTestAccess::writableMeters (p);
    m.momentaryLevel = m.shortTermLevel = m.integratedLevel = m.loudnessRange = -20.0f;
    m.momentaryFraction = m.rangeLowFraction = m.rangeHighFraction = m.shortTermFraction = 0.5f;
    m.truePeakAlarm = 1;
    m.heldTruePeak.fill (-1.0f);
    m.truePeakFraction.fill (0.9f);
    m.channelAlarm.fill (1);
    m.processedSamples = 48000.0;
    m.soundFieldLevel.fill (0.3f);
    m.correlation.fill (-1.0f);

    p.resetMeters();

    MeterSnapshot copy;
    copy.correlation.fill (0.0f);
    p.copyMeterSnapshot (copy);

    for (float level : { copy.momentaryLevel, copy.shortTermLevel, copy.integratedLevel, copy.loudnessRange })
        EXPECT_EQ (level, -70.0f);

    for (float fraction : { copy.momentaryFraction, copy.rangeLowFraction, copy.rangeHighFraction, copy.shortTermFraction })
        EXPECT_EQ (fraction, 0.0f);

    const MeterSnapshot fresh;
    EXPECT_EQ (copy.truePeakAlarm, 0);
    EXPECT_EQ (copy.heldTruePeak, fresh.heldTruePeak);
    EXPECT_EQ (copy.truePeakFraction, fresh.truePeakFraction);
    EXPECT_EQ (copy.channelAlarm, fresh.channelAlarm);
    EXPECT_EQ (copy.processedSamples, 0.0);
    EXPECT_EQ (copy.soundFieldLevel, fresh.soundFieldLevel);
    EXPECT_EQ (copy.correlation, fresh.correlation);
    EXPECT_EQ (ProcessorTestAccess::maxMomentary (p), -70.0f);
}
