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
    auto next = [this] { return segmentRandom.nextDouble(); };
    samplesLeftInSegment = juce::jmax (1LL, (long long) ((1.0 + 4.0 * next()) * sampleRate));
    const bool pause = next() < 0.04;
    const double target = -31.0 + 16.0 * next();
    programmeGain = std::pow (10.0, programmeDecibels / 20.0);
    programmeGainStep = std::pow (10.0, (target - programmeDecibels) / 20.0 / (double) samplesLeftInSegment);
    programmeDecibels = target;

    for (auto& voice : voices)
    {
        const double pick = next();
        voice.kind = pause || pick < 0.15 ? Voice::Kind::silence : pick < 0.65 ? Voice::Kind::noise : Voice::Kind::tone;
        voice.gain = std::pow (10.0, -6.0 * next() / 20.0); // up to 6 dB below the programme level

        // Noise one-pole low-passed between 100 Hz and 6 kHz, as programme rarely carries much above,
        // and scaled to the power of a sine of the same peak level; tones from 40 Hz to 8 kHz.
        voice.smoothing = 1.0 - std::exp (-twoPi * (100.0 * std::pow (60.0, next())) / sampleRate);

        if (voice.kind == Voice::Kind::noise)
            voice.gain *= std::sqrt (1.5 * (2.0 - voice.smoothing) / voice.smoothing);

        voice.phaseStep = twoPi * 40.0 * std::pow (200.0, next()) / sampleRate;
    }
}

void ProgrammeSource::fill (juce::AudioSampleBuffer& block)
{
    block.clear();

    for (int i = 0; i < block.getNumSamples(); ++i)
    {
        if (samplesLeftInSegment == 0)
            startSegment();

        for (int c = 0; c < juce::jmin (block.getNumChannels(), (int) voices.size()); ++c)
        {
            auto& v = voices[(size_t) c];
            double x = 0.0;

            if (v.kind == Voice::Kind::noise)
                x = v.state += v.smoothing * ((double) v.noise.nextFloat() * 2.0 - 1.0 - v.state);
            else if (v.kind == Voice::Kind::tone)
                x = std::sin (v.phase = std::fmod (v.phase + v.phaseStep, twoPi));

            block.setSample (c, i, (float) (programmeGain * (v.gain * x)));
        }

        programmeGain *= programmeGainStep;
        --samplesLeftInSegment;
    }
}
} // namespace testsupport
