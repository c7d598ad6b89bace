#include "TestSignals.h"

namespace testsupport
{
SineSource::SineSource (double sampleRate, double frequency, std::initializer_list<double> peakDecibels)
    : step (2.0 * juce::MathConstants<double>::pi * frequency / sampleRate)
{
    int channel = 0;

    for (double level : peakDecibels)
        setLevel (channel++, level);
}

void SineSource::setLevel (int channel, double peakDecibels, double phaseRadians)
{
    gains[(size_t) channel] = std::pow (10.0, peakDecibels / 20.0); // 0 for minus infinity
    phases[(size_t) channel] = phaseRadians;
}

void SineSource::fill (juce::AudioSampleBuffer& block)
{
    block.clear();

    for (int c = 0; c < std::min (block.getNumChannels(), 6); ++c)
    {
        auto* out = block.getWritePointer (c);
        const double gain = gains[(size_t) c], phase = phases[(size_t) c];

        for (int i = 0; gain != 0.0 && i < block.getNumSamples(); ++i)
            out[i] = (float) (gain * std::sin (step * (double) (position + i) + phase));
    }

    position += block.getNumSamples();
}
} // namespace testsupport
