#include "KWeighting.h"

#include <gtest/gtest.h>

#include <complex>

namespace
{
struct Row
{
    double rate;
    double pre[5]; // b0, b1, b2, a1, a2
    double rlb[2]; // a1, a2
};

// The published coefficient rows; the derivation must reproduce them as the filters store them.
const Row rows[] = {
    { 44100, { 1.5308412301, -2.6509799952, 1.1690790799, -1.6636551133, 0.7125954281 }, { -1.9891696736, 0.9891990358 } },
    { 48000, { 1.5351248596, -2.6916961894, 1.1983928109, -1.6906592932, 0.7324807742 }, { -1.9900474548, 0.9900722504 } },
    { 88200, { 1.5575153756, -2.9056270799, 1.3613339775, -1.830919988, 0.8441422611 }, { -1.9945775155, 0.9945848759 } },
    { 96000, { 1.559714229, -2.9267415783, 1.3782612023, -1.8446094699, 0.8558433229 }, { -1.9950175447, 0.995023759 } },
    { 176400, { 1.5711153177, -3.0365445024, 1.468871612, -1.9153293168, 0.9187717442 }, { -1.9972869224, 0.997288765 } },
    { 192000, { 1.5722272151, -3.0472830516, 1.477971341, -1.9222022306, 0.9251177351 }, { -1.9975072228, 0.9975087784 } },
};

double responseDecibels (const juce::IIRCoefficients& k, double frequency, double rate)
{
    using C = std::complex<double>;
    const C z = std::polar (1.0, -2.0 * juce::MathConstants<double>::pi * frequency / rate);
    const auto* c = k.coefficients;
    const C h = (C (c[0]) + C (c[1]) * z + C (c[2]) * z * z) / (C (1.0) + C (c[3]) * z + C (c[4]) * z * z);
    return 20.0 * std::log10 (std::abs (h));
}
} // namespace

TEST (KWeighting, ListedRatesGiveThePublishedCoefficientsExactlyAsStoredFloats)
{
    for (const auto& row : rows)
    {
        const auto k = KWeighting::forSampleRate (row.rate);

        for (int i = 0; i < 5; ++i)
            EXPECT_EQ (k.preFilter.coefficients[i], (float) row.pre[i]) << row.rate << " pre " << i;

        EXPECT_EQ (k.rlbFilter.coefficients[0], 1.0f);
        EXPECT_EQ (k.rlbFilter.coefficients[1], -2.0f);
        EXPECT_EQ (k.rlbFilter.coefficients[2], 1.0f);
        EXPECT_EQ (k.rlbFilter.coefficients[3], (float) row.rlb[0]) << row.rate;
        EXPECT_EQ (k.rlbFilter.coefficients[4], (float) row.rlb[1]) << row.rate;
    }
}

TEST (KWeighting, UnlistedRatesKeepTheResponseOfTheStandardFilter)
{
    const auto reference = KWeighting::forSampleRate (48000);

    for (double rate : { 22050.0, 32000.0, 384000.0 })
    {
        const auto k = KWeighting::forSampleRate (rate);

        for (double f : { 100.0, 997.0, 5000.0 })
        {
            const double expected = responseDecibels (reference.preFilter, f, 48000) + responseDecibels (reference.rlbFilter, f, 48000);
            const double actual = responseDecibels (k.preFilter, f, rate) + responseDecibels (k.rlbFilter, f, rate);
            EXPECT_NEAR (actual, expected, 0.1) << rate << " Hz at " << f;
        }
    }
}
