#include "KWeighting.h"

#include <cmath>

KWeighting KWeighting::forSampleRate (double sampleRate)
{
    constexpr double shelfFrequency = 1681.974450955533;
    constexpr double shelfGainDb = 3.999843853973347;
    constexpr double shelfQ = 0.7071752369554196;
    constexpr double shelfBandExponent = 0.4996667741545416;
    constexpr double highPassFrequency = 38.13547087602444;
    constexpr double highPassQ = 0.5003270373238773;

    double rate = (double) (int) sampleRate;

    // The transform needs the shelf below Nyquist; no device offers such a rate, but keep it finite.
    if (! (rate > 2.0 * shelfFrequency))
        rate = 48000.0;

    KWeighting k;

    {
        const double K = std::tan (juce::MathConstants<double>::pi * shelfFrequency / rate);
        const double vh = std::pow (10.0, shelfGainDb / 20.0);
        const double vb = std::pow (vh, shelfBandExponent);
        const double a0 = 1.0 + K / shelfQ + K * K;

        k.preFilter = juce::IIRCoefficients ((vh + vb * K / shelfQ + K * K) / a0,
                                             2.0 * (K * K - vh) / a0,
                                             (vh - vb * K / shelfQ + K * K) / a0,
                                             1.0,
                                             2.0 * (K * K - 1.0) / a0,
                                             (1.0 - K / shelfQ + K * K) / a0);
    }

    {
        const double K = std::tan (juce::MathConstants<double>::pi * highPassFrequency / rate);
        const double a0 = 1.0 + K / highPassQ + K * K;

        k.rlbFilter = juce::IIRCoefficients (1.0, -2.0, 1.0, 1.0,
                                             2.0 * (K * K - 1.0) / a0,
                                             (1.0 - K / highPassQ + K * K) / a0);
    }

    return k;
}
