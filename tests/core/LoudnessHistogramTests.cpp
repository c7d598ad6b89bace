#include "OVEXLoudnessHistogram.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

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

TEST_P (LoudnessHistogram, SilenceReadsNoValueAndNeverPullsTheGatesDown)
{
    for (int silentValues : { 0, 50 })
    {
        addMany (histogram, -70.0f, silentValues);
        const auto range = histogram.getLoudnessRange();
        EXPECT_EQ (std::make_tuple (histogram.getIntegratedLoudness(), range.range, range.low, range.high),
                   std::make_tuple (-70.0f, 0.0f, -70.0f, -70.0f));
    }

    histogram.clear();
    addMany (histogram, -23.0f, 60);
    addMany (histogram, -35.0f, 30);
    const auto integrated = histogram.getIntegratedLoudness();
    const auto low = histogram.getLoudnessRange().low;
    addMany (histogram, -70.0f, 100);
    EXPECT_EQ (histogram.getIntegratedLoudness(), integrated);
    EXPECT_EQ (histogram.getLoudnessRange().low, low);
}

TEST_P (LoudnessHistogram, ValuesAreFiledByTheirTenthRoundingAndNoneOutOfRangeAsSilence)
{
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();

    for (float v : { -70.05f, -70.04f, nan, inf, -inf, -23.04f, -23.05f, -23.15f, 0.06f, 3.0f })
        histogram.addValue (v);

    EXPECT_EQ (histogram.getCount (0), 0.0f);
    EXPECT_EQ (histogram.getCount (470), 2.0f);
    EXPECT_EQ (histogram.getCount (469), 1.0f);
    EXPECT_EQ (histogram.getCount (700), 2.0f);
}

TEST_P (LoudnessHistogram, RangeRunsFromTheTenthToTheNinetyFifthPercentile)
{
    struct Case { std::vector<std::pair<float, int>> values; float low, high; };
    const Case cases[] = { { { { -30.0f, 10 }, { -20.0f, 10 } }, -30.0f, -20.0f },
                           { { { -40.0f, 2 }, { -30.0f, 17 }, { -20.0f, 1 } }, -30.0f, -20.0f }, // ranks 2 and 19 of 20
                           { { { -25.0f, 1 }, { -24.9f, 1 } }, -25.0f, -24.9f },
                           { { { -31.2f, 7 } }, -31.2f, -31.2f } };

    for (const auto& c : cases)
    {
        histogram.clear();

        for (auto [value, count] : c.values)
            addMany (histogram, value, count);

        const auto range = histogram.getLoudnessRange();
        EXPECT_EQ (std::make_tuple (range.low, range.high, range.range), std::make_tuple (c.low, c.high, c.high - c.low));
    }
}

INSTANTIATE_TEST_SUITE_P (GatedAndUngated, LoudnessHistogram, testing::Bool());

TEST (LoudnessHistogramGating, RelativeGatesDropValuesTenBelowTheMeanForIntegrationAndTwentyForTheRangeUnlessBelowTheScale)
{
    OVEXLoudnessHistogram integrated (true), range (true), quiet (true);
    integrated.addValue (-20.0f);
    integrated.addValue (-40.0f);
    addMany (range, -20.0f, 40);
    addMany (range, -25.0f, 40);
    addMany (range, -60.0f, 20);
    EXPECT_FLOAT_EQ (integrated.getIntegratedLoudness(), -20.0f);
    EXPECT_FLOAT_EQ (range.getLoudnessRange().range, 5.0f);

    // Switching only changes how the next evaluation reads the same counts.
    integrated.setGating (false);
    range.setGating (false);
    EXPECT_NEAR (integrated.getIntegratedLoudness(), 10.0 * std::log10 (0.00505), 1e-4);
    EXPECT_FLOAT_EQ (range.getLoudnessRange().range, 40.0f);
    integrated.setGating (true);
    EXPECT_FLOAT_EQ (integrated.getIntegratedLoudness(), -20.0f);

    // With the gates below the scale every value above silence counts.
    addMany (quiet, -65.0f, 10);
    addMany (quiet, -69.0f, 10);
    EXPECT_NEAR (quiet.getIntegratedLoudness(), 10.0 * std::log10 ((std::pow (10.0, -6.5) + std::pow (10.0, -6.9)) / 2.0), 1e-3);
    EXPECT_FLOAT_EQ (quiet.getLoudnessRange().range, 4.0f);
}

// The gates sit 10 LU (integrated) and 20 LU (range) below the energy mean of everything above
// -70, the quiet values included: a value a little inside each gate counts, one a little outside
// does not.
TEST (LoudnessHistogramGating, TheIntegratedGateLiesTenAndTheRangeGateTwentyLoudnessUnitsBelowTheMean)
{
    const auto energyMean = [] (std::vector<std::pair<float, int>> values)
    {
        double energy = 0.0, count = 0.0;

        for (auto [value, n] : values)
            energy += n * std::pow (10.0, value / 10.0), count += n;

        return 10.0 * std::log10 (energy / count);
    };

    for (const float quiet : { -29.5f, -30.5f }) // 9.5 and 10.5 LU below a mean of -20.0x
    {
        OVEXLoudnessHistogram integrated (true);
        addMany (integrated, -20.0f, 99);
        integrated.addValue (quiet);
        EXPECT_NEAR (integrated.getIntegratedLoudness(), quiet == -29.5f ? energyMean ({ { -20.0f, 99 }, { quiet, 1 } }) : -20.0, 1e-4)
            << quiet;
    }

    for (const float quiet : { -40.0f, -42.0f }) // 19 and 21 LU below a mean of -21.0
    {
        OVEXLoudnessHistogram range (true);
        addMany (range, -20.0f, 80);
        addMany (range, quiet, 20);
        EXPECT_FLOAT_EQ (range.getLoudnessRange().range, quiet == -40.0f ? 20.0f : 0.0f) << quiet;
    }
}
