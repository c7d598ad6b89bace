#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <initializer_list>

namespace testsupport
{
/** Continuous sines, one per channel role, generated block by block with no phase jumps. */
class SineSource
{
public:
    /** Peak levels in dBFS of the first channel roles; the others are silent. */
    SineSource (double sampleRate, double frequency, std::initializer_list<double> peakDecibels = {})
        : step (2.0 * juce::MathConstants<double>::pi * frequency / sampleRate)
    {
        int channel = 0;

        for (double level : peakDecibels)
            setLevel (channel++, level);
    }

    /** Minus infinity silences the channel. */
    void setLevel (int channel, double peakDecibels, double phaseRadians = 0.0)
    {
        gains[(size_t) channel] = std::pow (10.0, peakDecibels / 20.0); // 0 for minus infinity
        phases[(size_t) channel] = phaseRadians;
    }

    /** Overwrites the block with the next samples of every channel; channels past six are silent. */
    void fill (juce::AudioSampleBuffer& block)
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

private:
    double step;
    std::array<double, 6> gains {}, phases {};
    long long position = 0;
};

/** Hands seconds of a source to consume in six-channel blocks of blockSize samples, the last one shorter. */
template <typename Source, typename Consume>
void play (Source& source, double sampleRate, double seconds, Consume&& consume, int blockSize = 512)
{
    juce::AudioSampleBuffer block (6, blockSize);

    for (auto left = std::llround (seconds * sampleRate); left > 0; left -= block.getNumSamples())
    {
        block.setSize (6, (int) std::min<long long> (blockSize, left), false, false, true);
        source.fill (block);
        consume (block);
    }
}
} // namespace testsupport
