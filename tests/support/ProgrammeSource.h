#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

#include <array>

namespace testsupport
{
/** Deterministic pseudo-random six-channel programme with changing level, for comparing meters:
    every 1 to 5 s each channel role switches abruptly to low-passed noise, a tone or silence,
    while the programme level glides by up to 16 dB towards a new target; now and then everything
    pauses. The same seed gives the same samples whatever the block sizes. Used from one thread. */
class ProgrammeSource
{
public:
    ProgrammeSource (double sampleRate, juce::int64 seed);

    /** Overwrites the block with the next samples of every channel. */
    void fill (juce::AudioSampleBuffer& block);

private:
    struct Voice
    {
        enum class Kind { silence, noise, tone } kind = Kind::silence;
        double gain = 0.0, smoothing = 1.0, state = 0.0, phase = 0.0, phaseStep = 0.0;
        juce::Random noise;
    };

    void startSegment();

    double sampleRate;
    juce::Random segmentRandom;
    std::array<Voice, 6> voices;
    long long samplesLeftInSegment = 0;
    double programmeDecibels = -23.0, programmeGain = 1.0, programmeGainStep = 1.0; // the glide, per sample
};
} // namespace testsupport
