#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

/** The two K-weighting stages of BS.1770 at a given sample rate, derived from the analog prototypes
    by the bilinear transform. At 44.1, 48, 88.2, 96, 176.4 and 192 kHz the stored single-precision
    coefficients are exactly those of the published tables; at other rates the response stays right. */
struct KWeighting
{
    juce::IIRCoefficients preFilter; // high shelf, about +4 dB above 1.7 kHz
    juce::IIRCoefficients rlbFilter; // revised low-frequency B high-pass, numerator 1, -2, 1

    static KWeighting forSampleRate (double sampleRate);
};
