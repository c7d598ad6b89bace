#include "ProgrammeSource.h"

#include <cmath>

namespace testsupport
{
namespace
{
constexpr double twoPi = 2.0 * juce::MathConstants<double>::pi;
}

ProgrammeSource::ProgrammeSource (double rate, juce::int64 seed) : sampleRate (rate), segmentRandom (seed)
{
    for (size_t c = 0; c < voices.size(); ++c)
        voices[c].noise.setSeed (seed * 31 + (juce::int64) c + 1);
}

void ProgrammeSource::startSegment()
{
    samplesLeftInSegment = juce::jmax (1LL, (long long) ((1.0 + 4.0 * segmentRandom.nextDouble()) * sampleRate));
    const bool pause = segmentRandom.nextDouble() < 0.04;

    const double target = -31.0 + 16.0 * segmentRandom.nextDouble();
    programmeGain = std::pow (10.0, programmeDecibels / 20.0);
    programmeGainStep = std::pow (10.0, (target - programmeDecibels) / 20.0 / (double) samplesLeftInSegment);
    programmeDecibels = target;

    for (auto& voice : voices)
    {
        const double pick = segmentRandom.nextDouble();
        voice.kind = pause || pick < 0.15 ? Voice::Kind::silence
                   : pick < 0.65         ? Voice::Kind::noise
                                         : Voice::Kind::tone;

        // Each channel sits up to 6 dB below the programme level.
        voice.gain = std::pow (10.0, -6.0 * segmentRandom.nextDouble() / 20.0);

        // Noise low-passed somewhere between 100 Hz and 6 kHz, as programme rarely carries much above,
        // and scaled to the power of a sine of the same peak level.
        const double noiseCutoff = 100.0 * std::pow (60.0, segmentRandom.nextDouble());
        voice.smoothing = 1.0 - std::exp (-twoPi * noiseCutoff / sampleRate);

        if (voice.kind == Voice::Kind::noise)
            voice.gain *= std::sqrt (1.5 * (2.0 - voice.smoothing) / voice.smoothing);

        // Tones spread evenly over the octaves from 40 Hz to 8 kHz.
        voice.phaseStep = twoPi * 40.0 * std::pow (200.0, segmentRandom.nextDouble()) / sampleRate;
    }
}

double ProgrammeSource::nextSample (Voice& voice)
{
    switch (voice.kind)
    {
        case Voice::Kind::noise:
            voice.state += voice.smoothing * ((double) voice.noise.nextFloat() * 2.0 - 1.0 - voice.state);
            return voice.gain * voice.state;

        case Voice::Kind::tone:
            voice.phase = std::fmod (voice.phase + voice.phaseStep, twoPi);
            return voice.gain * std::sin (voice.phase);

        case Voice::Kind::silence:
            break;
    }

    return 0.0;
}

void ProgrammeSource::fill (juce::AudioSampleBuffer& block)
{
    for (int c = (int) voices.size(); c < block.getNumChannels(); ++c)
        block.clear (c, 0, block.getNumSamples());

    const int numChannels = juce::jmin (block.getNumChannels(), (int) voices.size());

    for (int i = 0; i < block.getNumSamples(); ++i)
    {
        if (samplesLeftInSegment == 0)
            startSegment();

        for (int c = 0; c < numChannels; ++c)
            block.setSample (c, i, (float) (programmeGain * nextSample (voices[(size_t) c])));

        programmeGain *= programmeGainStep;
        --samplesLeftInSegment;
    }
}
} // namespace testsupport
