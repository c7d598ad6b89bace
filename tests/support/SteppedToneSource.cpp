#include "SteppedToneSource.h"

#include <cmath>
#include <numeric>

namespace testsupport
{
SteppedToneSource::SteppedToneSource (double rate, double freq, const std::vector<Segment>& segments)
    : sampleRate (rate), frequency (freq)
{
    // Boundaries come from the running total of seconds, so rounding never accumulates.
    double elapsed = 0.0;

    for (const auto& segment : segments)
    {
        elapsed += segment.seconds;
        Stretch stretch { std::llround (elapsed * sampleRate), {} };

        for (size_t c = 0; c < 6; ++c)
            stretch.gains[c] = std::isfinite (segment.peakDecibels[c]) ? std::pow (10.0, segment.peakDecibels[c] / 20.0) : 0.0;

        stretches.push_back (stretch);
    }

    // With whole-numbered rate and frequency the tone repeats exactly after rate / gcd samples;
    // a table of that period saves a sine per sample on long signals.
    const auto wholeRate = std::llround (sampleRate), wholeFrequency = std::llround (frequency);

    if ((double) wholeRate == sampleRate && (double) wholeFrequency == frequency && wholeFrequency > 0)
    {
        const auto period = wholeRate / std::gcd (wholeRate, wholeFrequency);

        if (period <= (1 << 20))
            for (long long i = 0; i < period; ++i)
                wholeCycles.push_back (sineAt (i));
    }
}

double SteppedToneSource::sineAt (long long sampleIndex) const
{
    return std::sin (2.0 * juce::MathConstants<double>::pi * frequency * (double) sampleIndex / sampleRate);
}

void SteppedToneSource::fill (juce::AudioSampleBuffer& block)
{
    const int numChannels = juce::jmin (block.getNumChannels(), 6);

    for (int c = numChannels; c < block.getNumChannels(); ++c)
        block.clear (c, 0, block.getNumSamples());

    int i = 0;

    while (i < block.getNumSamples())
    {
        while (current < stretches.size() && stretches[current].end <= position)
            ++current;

        if (current == stretches.size())
        {
            for (int c = 0; c < numChannels; ++c)
                block.clear (c, i, block.getNumSamples() - i);

            position += block.getNumSamples() - i;
            return;
        }

        const auto& stretch = stretches[current];
        const int run = (int) std::min<long long> (block.getNumSamples() - i, stretch.end - position);

        for (int c = 0; c < numChannels; ++c)
        {
            auto* out = block.getWritePointer (c, i);
            const double gain = stretch.gains[(size_t) c];

            if (gain == 0.0)
            {
                juce::FloatVectorOperations::clear (out, run);
            }
            else if (! wholeCycles.empty())
            {
                auto phase = (size_t) (position % (long long) wholeCycles.size());

                for (int k = 0; k < run; ++k)
                {
                    out[k] = (float) (gain * wholeCycles[phase]);
                    phase = phase + 1 == wholeCycles.size() ? 0 : phase + 1;
                }
            }
            else
            {
                for (int k = 0; k < run; ++k)
                    out[k] = (float) (gain * sineAt (position + k));
            }
        }

        i += run;
        position += run;
    }
}
} // namespace testsupport
