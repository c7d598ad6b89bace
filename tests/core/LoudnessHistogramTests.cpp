#include "OVEXLoudnessHistogram.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace
{
void addMany (OVEXLoudnessHistogram& h, float value, int count)
{
    for (int i = 0; i < count; ++i)
        h.addValue (value);
}

class LoudnessHistogram : public testing::TestWithParam<bool>
{
protected:
    OVEXLoudnessHistogram histogram { GetParam() };
};
} // namespace

TEST_P (LoudnessHistogram, EmptyReadsNoValue)
{
    EXPECT_EQ (histogram.getIntegratedLoudness(), -70.0f);
    const auto range = histogram.getLoudnessRange();
    EXPECT_EQ (range.range, 0.0f);
    EXPECT_EQ (range.low, -70.0f);
    EXPECT_EQ (range.high, -70.0f);
}

TEST_P (LoudnessHistogram, SilenceIsCountedButNeverPassesTheAbsoluteGate)
{
    addMany (histogram, -70.0f, 50);
    EXPECT_EQ (histogram.getCount (0), 50.0f);
    EXPECT_EQ (histogram.getIntegratedLoudness(), -70.0f);
    EXPECT_EQ (histogram.getLoudnessRange().range, 0.0f);
    EXPECT_EQ (histogram.getLoudnessRange().low, -70.0f);

    // Silence beside programme must not pull the relative gate down.
    addMany (histogram, -23.0f, 60);
    addMany (histogram, -35.0f, 30);
    addMany (histogram, -70.0f, 100);
    OVEXLoudnessHistogram withoutSilence (GetParam());
    addMany (withoutSilence, -23.0f, 60);
    addMany (withoutSilence, -35.0f, 30);
    EXPECT_EQ (histogram.getIntegratedLoudness(), withoutSilence.getIntegratedLoudness());
    EXPECT_EQ (histogram.getLoudnessRange().range, withoutSilence.getLoudnessRange().range);
}

TEST_P (LoudnessHistogram, ValuesAreFiledByTheirTenthRounding)
{
    histogram.addValue (-70.05f);
    histogram.addValue (-70.04f);
    EXPECT_EQ (histogram.getCount (0), 0.0f);

    histogram.addValue (-23.04f);
    histogram.addValue (-23.05f);
    histogram.addValue (-23.15f);
    EXPECT_EQ (histogram.getCount (470), 2.0f);
    EXPECT_EQ (histogram.getCount (469), 1.0f);
}

TEST_P (LoudnessHistogram, OutOfRangeInputNeverLandsInTheSilenceBin)
{
    histogram.addValue (std::numeric_limits<float>::quiet_NaN());
    histogram.addValue (std::numeric_limits<float>::infinity());
    histogram.addValue (-std::numeric_limits<float>::infinity());
    histogram.addValue (0.06f);
    histogram.addValue (3.0f);
    EXPECT_EQ (histogram.getCount (0), 0.0f);
    EXPECT_EQ (histogram.getCount (700), 2.0f);
    EXPECT_NEAR (histogram.getIntegratedLoudness(), 0.0f, 1e-5f);
}

TEST_P (LoudnessHistogram, TenAtMinusThirtyAndTenAtMinusTwentyGiveARangeOfTen)
{
    addMany (histogram, -30.0f, 10);
    addMany (histogram, -20.0f, 10);
    const auto range = histogram.getLoudnessRange();
    EXPECT_EQ (range.low, -30.0f);
    EXPECT_EQ (range.high, -20.0f);
    EXPECT_FLOAT_EQ (range.range, 10.0f);
}

TEST_P (LoudnessHistogram, AdjacentBinsGiveATenthAndOneBinGivesNoRange)
{
    histogram.addValue (-25.0f);
    histogram.addValue (-24.9f);
    auto range = histogram.getLoudnessRange();
    EXPECT_EQ (range.low, -25.0f);
    EXPECT_EQ (range.high, -24.9f);
    EXPECT_EQ (range.range, -24.9f - -25.0f);

    histogram.clear();
    addMany (histogram, -31.2f, 7);
    range = histogram.getLoudnessRange();
    EXPECT_EQ (range.range, 0.0f);
    EXPECT_EQ (range.low, -31.2f);
    EXPECT_EQ (range.high, -31.2f);
}

INSTANTIATE_TEST_SUITE_P (GatedAndUngated, LoudnessHistogram, testing::Bool());

TEST (LoudnessHistogramGating, RelativeGateDropsValuesTenBelowTheMean)
{
    OVEXLoudnessHistogram histogram (true);
    histogram.addValue (-20.0f);
    histogram.addValue (-40.0f);
    EXPECT_FLOAT_EQ (histogram.getIntegratedLoudness(), -20.0f);

    histogram.setGating (false);
    EXPECT_NEAR (histogram.getIntegratedLoudness(), 10.0 * std::log10 (0.00505), 1e-4);

    histogram.setGating (true);
    EXPECT_FLOAT_EQ (histogram.getIntegratedLoudness(), -20.0f);
    EXPECT_EQ (histogram.getCount (300), 1.0f);
}

TEST (LoudnessHistogramGating, RangeGateDropsShortTermValuesTwentyBelowTheMean)
{
    OVEXLoudnessHistogram histogram (true);
    addMany (histogram, -20.0f, 40);
    addMany (histogram, -25.0f, 40);
    addMany (histogram, -60.0f, 20);

    EXPECT_FLOAT_EQ (histogram.getLoudnessRange().range, 5.0f);

    histogram.setGating (false);
    EXPECT_FLOAT_EQ (histogram.getLoudnessRange().range, 40.0f);
}

TEST (LoudnessHistogramGating, GateBelowTheScaleLetsEveryValueAboveSilenceCount)
{
    OVEXLoudnessHistogram histogram (true);
    addMany (histogram, -65.0f, 10);
    addMany (histogram, -69.0f, 10);
    const double expected = 10.0 * std::log10 ((std::pow (10.0, -6.5) + std::pow (10.0, -6.9)) / 2.0);
    EXPECT_NEAR (histogram.getIntegratedLoudness(), expected, 1e-3);
    EXPECT_FLOAT_EQ (histogram.getLoudnessRange().range, 4.0f);
}
