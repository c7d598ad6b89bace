#include "TestSignals.h"

#include <cmath>
#include <limits>

namespace testsupport
{
float decibelsToGain (double decibels)
{
    return (float) std::pow (10.0, decibels / 20.0);
}

SineSource::SineSource (double rate, double freq) : sampleRate (rate), frequency (freq) {}

void SineSource::setLevel (int channel, double peakDecibels)
{
    gains[(size_t) channel] = std::isfinite (peakDecibels) ? std::pow (10.0, peakDecibels / 20.0) : 0.0;
}

void SineSource::setPhase (int channel, double radians)
{
    phases[(size_t) channel] = radians;
}

void SineSource::fill (juce::AudioSampleBuffer& block)
{
    const double step = 2.0 * juce::MathConstants<double>::pi * frequency / sampleRate;

    for (int c = 0; c < block.getNumChannels(); ++c)
    {
        auto* out = block.getWritePointer (c);
        const double gain = c < 6 ? gains[(size_t) c] : 0.0;
        const double phase = c < 6 ? phases[(size_t) c] : 0.0;

        for (int i = 0; i < block.getNumSamples(); ++i)
            out[i] = (float) (gain * std::sin (step * (double) (position + i) + phase));
    }

    position += block.getNumSamples();
}

void feedSeconds (double seconds, double sampleRate, int numChannels, int blockSize,
                  const std::function<void (juce::AudioSampleBuffer&)>& generate,
                  const std::function<void (const juce::AudioSampleBuffer&)>& consume)
{
    auto remaining = (long long) std::llround (seconds * sampleRate);
    juce::AudioSampleBuffer block (numChannels, blockSize);

    while (remaining > 0)
    {
        const int n = (int) std::min<long long> (blockSize, remaining);
        block.setSize (numChannels, n, false, false, true);
        generate (block);
        consume (block);
        remaining -= n;
    }
}
} // namespace testsupport
