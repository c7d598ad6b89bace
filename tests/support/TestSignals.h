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
    SineSource (double sampleRate, double frequency, std::initializer_list<double> peakDecibels = {});

    /** Minus infinity silences the channel. */
    void setLevel (int channel, double peakDecibels, double phaseRadians = 0.0);

    /** Overwrites the block with the next samples of every channel; channels past six are silent. */
    void fill (juce::AudioSampleBuffer& block);

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
