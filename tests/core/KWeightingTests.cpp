#include "KWeighting.h"

#include <gtest/gtest.h>

TEST (KWeighting, ListedRatesGiveThePublishedCoefficientsExactlyAsStoredFloats)
{
    // Rate, then b0, b1, b2, a1, a2 of the shelf and a1, a2 of the high-pass (whose b are 1, -2, 1).
    const double rows[][8] = {
        { 44100, 1.5308412301, -2.6509799952, 1.1690790799, -1.6636551133, 0.7125954281, -1.9891696736, 0.9891990358 },
        { 48000, 1.5351248596, -2.6916961894, 1.1983928109, -1.6906592932, 0.7324807742, -1.9900474548, 0.9900722504 },
        { 88200, 1.5575153756, -2.9056270799, 1.3613339775, -1.830919988, 0.8441422611, -1.9945775155, 0.9945848759 },
        { 96000, 1.559714229, -2.9267415783, 1.3782612023, -1.8446094699, 0.8558433229, -1.9950175447, 0.995023759 },
        { 176400, 1.5711153177, -3.0365445024, 1.468871612, -1.9153293168, 0.9187717442, -1.9972869224, 0.997288765 },
        { 192000, 1.5722272151, -3.0472830516, 1.477971341, -1.9222022306, 0.9251177351, -1.9975072228, 0.9975087784 },
    };

    for (const auto& row : rows)
    {
        const auto k = KWeighting::forSampleRate (row[0]);
        const float rlb[] = { 1.0f, -2.0f, 1.0f, (float) row[6], (float) row[7] };

        for (int i = 0; i < 5; ++i)
        {
            EXPECT_EQ (k.preFilter.coefficients[i], (float) row[i + 1]) << row[0] << " Hz, shelf " << i;
            EXPECT_EQ (k.rlbFilter.coefficients[i], rlb[i]) << row[0] << " Hz, high-pass " << i;
        }
    }
}
