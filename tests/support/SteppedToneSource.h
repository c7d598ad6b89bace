#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

#include <array>
#include <vector>

namespace testsupport
{
/** A sine on each channel role whose levels follow a list of segments: levels switch at exact sample
    boundaries while the phase runs on unbroken, as in the tone signals of EBU Tech 3341 and 3342.
    Past the last segment it gives silence. Used from one thread. */
class SteppedToneSource
{
public:
    struct Segment
    {
        double seconds;
        std::array<double, 6> peakDecibels; // per channel role; minus infinity is silence
    };

    SteppedToneSource (double sampleRate, double frequency, const std::vector<Segment>& segments);

    long long getLengthInSamples() const noexcept { return stretches.empty() ? 0 : stretches.back().end; }

    /** Overwrites the block with the next samples of every channel. */
    void fill (juce::AudioSampleBuffer& block);

private:
    struct Stretch
    {
        long long end; // one past the stretch's last sample
        std::array<double, 6> gains;
    };

    double sineAt (long long sampleIndex) const;

    double sampleRate, frequency;
    std::vector<double> wholeCycles; // one period of the tone when it is a whole number of samples
    std::vector<Stretch> stretches;
    size_t current = 0;
    long long position = 0;
};
} // namespace testsupport
