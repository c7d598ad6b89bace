#include "OVEXTruePeakMeter.h"

#include <cmath>

namespace
{
// ITU-R BS.1770-4 Annex 2, phases 0 and 1; phase 2 is phase 1 reversed and phase 3 is phase 0 reversed.
constexpr std::array<double, 12> phase0 { 0.0017089843750, 0.0109863281250, -0.0196533203125, 0.0332031250000,
                                          -0.0594482421875, 0.1373291015625, 0.9721679687500, -0.1022949218750,
                                          0.0476074218750, -0.0266113281250, 0.0148925781250, -0.0083007812500 };
constexpr std::array<double, 12> phase1 { -0.0291748046875, 0.0292968750000, -0.0517578125000, 0.0891113281250,
                                          -0.1665039062500, 0.4650878906250, 0.7797851562500, -0.2003173828125,
                                          0.1015625000000, -0.0582275390625, 0.0330810546875, -0.0189208984375 };

std::array<double, 12> standardPhase (int p)
{
    auto taps = (p == 0 || p == 3) ? phase0 : phase1;

    if (p >= 2)
        std::reverse (taps.begin(), taps.end());

    return taps;
}
} // namespace

OVEXTruePeakMeter::OVEXTruePeakMeter()
{
    resetHistory();
}

OVEXTruePeakMeter::~OVEXTruePeakMeter() = default;

void OVEXTruePeakMeter::setSampleRate (int blockSize, double newSampleRate)
{
    if (newSampleRate != sampleRate)
    {
        sampleRate = newSampleRate;
        chooseMode();
        loadCoefficients();
    }

    workCopy.setSize (6, juce::jmax (1, blockSize), false, false, true);
}

void OVEXTruePeakMeter::chooseMode()
{
    if (! (sampleRate > 0.0))
        return;

    if (sampleRate < 88200.0)
    {
        mode = 1;
        phaseCount = 4;
    }
    else if (sampleRate < 176400.0)
    {
        mode = 2;
        phaseCount = 2;
    }
    else
    {
        mode = 4;
        phaseCount = 0;
    }
}

void OVEXTruePeakMeter::loadCoefficients()
{
    coefficients.fill (0.0);

    // At twice the rate, phases 1 and 3 fall on an even grid at 3/8 and 7/8 of a sample.
    const std::array<int, 4> fourPhases { 0, 1, 2, 3 }, twoPhases { 1, 3 };
    const auto& phases = mode == 1 ? fourPhases : twoPhases;
    const int numPhases = mode == 1 ? 4 : mode == 2 ? 2 : 0;

    for (int slot = 0; slot < numPhases; ++slot)
    {
        const auto taps = standardPhase (phases[(size_t) slot]);
        std::copy (taps.begin(), taps.end(), coefficients.begin() + slot * numTaps);
    }

    for (size_t k = 0; k < numTaps; ++k)
        for (size_t p = 0; p < 4; ++p)
            tapsByPhase[k][p] = coefficients[p * numTaps + k];
}

void OVEXTruePeakMeter::resetHistory()
{
    for (auto& history : histories)
    {
        history.ring.fill (0.0);
        history.start = 0;
    }
}

void OVEXTruePeakMeter::pushHistory (int channel, double sample)
{
    auto& history = histories[(size_t) channel];
    history.start = history.start == 0 ? numTaps - 1 : history.start - 1;
    history.ring[(size_t) history.start] = sample;
    history.ring[(size_t) (history.start + numTaps)] = sample;
}

template <int NumPhases>
float OVEXTruePeakMeter::interpolatedPeak (int channel) const
{
    const auto& history = histories[(size_t) channel];
    const double* newestFirst = history.ring.data() + history.start;
    double y[NumPhases] = {};

    for (int k = 0; k < numTaps; ++k)
        for (int p = 0; p < NumPhases; ++p)
            y[p] += newestFirst[k] * tapsByPhase[(size_t) k][(size_t) p];

    double peak = 0.0;

    for (int p = 0; p < NumPhases; ++p)
        peak = std::max (peak, std::abs (y[p]));

    return (float) peak;
}

float OVEXTruePeakMeter::truePeakOfSample (int channel, float sample)
{
    if (! std::isfinite (sample))
        sample = 0.0f;

    if (phaseCount == 0)
        return std::abs (sample);

    pushHistory (channel, (double) sample);
    return phaseCount == 4 ? interpolatedPeak<4> (channel) : interpolatedPeak<2> (channel);
}

void OVEXTruePeakMeter::processBlock (const juce::AudioSampleBuffer& block, juce::uint32 stamp)
{
    const int numChannels = juce::jmin (block.getNumChannels(), 6);
    const int numSamples = block.getNumSamples();

    if (workCopy.getNumChannels() != numChannels || workCopy.getNumSamples() != numSamples)
        workCopy.setSize (numChannels, numSamples, false, false, true);

    workCopy.clear();

    for (int c = 0; c < numChannels; ++c)
        workCopy.copyFrom (c, 0, block, c, 0, numSamples);

    processSamples (stamp);
}

template <int NumPhases>
float OVEXTruePeakMeter::processChannel (int channel)
{
    auto* samples = workCopy.getWritePointer (channel);
    float peak = 0.0f;

    for (int i = 0; i < workCopy.getNumSamples(); ++i)
    {
        const float x = std::isfinite (samples[i]) ? samples[i] : 0.0f;

        if constexpr (NumPhases == 0)
        {
            samples[i] = std::abs (x);
        }
        else
        {
            pushHistory (channel, (double) x);
            samples[i] = interpolatedPeak<NumPhases> (channel);
        }

        peak = std::max (peak, samples[i]);
    }

    return peak;
}

void OVEXTruePeakMeter::processSamples (juce::uint32 stamp)
{
    for (int c = 0; c < workCopy.getNumChannels(); ++c)
    {
        const float peak = phaseCount == 4 ? processChannel<4> (c)
                         : phaseCount == 2 ? processChannel<2> (c)
                                           : processChannel<0> (c);

        channelTruePeak[(size_t) c] = (float) (20.0 * std::log10 ((double) peak));
    }

    blockTime = stamp;
}

void OVEXTruePeakMeter::getSnapshot (TruePeakResult& destination) const
{
    destination.levels = channelTruePeak;
    destination.time = blockTime;
}
