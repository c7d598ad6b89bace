#include "OVEXTruePeakMeter.h"

#include <algorithm>
#include <cmath>
#include <cstring>

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

// Two doubles that the compiler keeps in one vector register and multiplies and adds lane by lane.
using DoublePair = double __attribute__ ((vector_size (2 * sizeof (double))));

DoublePair loadPair (const double* source)
{
    DoublePair pair;
    std::memcpy (&pair, source, sizeof (pair));
    return pair;
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
    channelSamples.resize ((size_t) (numTaps - 1 + juce::jmax (1, blockSize)));
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
}

void OVEXTruePeakMeter::resetHistory()
{
    for (auto& history : histories)
        history.fill (0.0);
}

template <int NumPhases>
double OVEXTruePeakMeter::interpolatedMagnitude (const double* x, int i) const
{
    double y[NumPhases] = {};

    for (int k = 0; k < numTaps; ++k)
        for (int p = 0; p < NumPhases; ++p)
            y[p] += x[i - k] * coefficients[(size_t) (p * numTaps + k)];

    double magnitude = 0.0;

    for (int p = 0; p < NumPhases; ++p)
        magnitude = std::max (magnitude, std::abs (y[p]));

    return magnitude;
}

float OVEXTruePeakMeter::truePeakOfSample (int channel, float sample)
{
    if (! std::isfinite (sample))
        sample = 0.0f;

    if (phaseCount == 0)
        return std::abs (sample);

    auto& history = histories[(size_t) channel];
    std::copy (history.begin() + 1, history.end(), history.begin());
    history.back() = (double) sample;

    const double* newest = history.data() + numTaps - 1;
    return (float) (phaseCount == 4 ? interpolatedMagnitude<4> (newest, 0) : interpolatedMagnitude<2> (newest, 0));
}

template <int NumPhases>
float OVEXTruePeakMeter::processChannel (int channel, int numSamples)
{
    const double* x = channelSamples.data() + numTaps - 1;
    float* out = workCopy.getWritePointer (channel);
    double highest = 0.0; // rounding to float keeps the order, so the float of the highest is the highest float
    int i = 0;

    if constexpr (NumPhases == 0)
    {
        for (; i < numSamples; ++i)
        {
            const double magnitude = std::abs (x[i]);
            out[i] = (float) magnitude;
            highest = std::max (highest, magnitude);
        }
    }
    else
    {
        // Four neighbouring samples at once, in pairs: each phase still sums its taps in order
        // k = 0 .. 11, but the independent sums overlap in the pipeline instead of waiting on one another.
        for (; i + 4 <= numSamples; i += 4)
        {
            DoublePair early[NumPhases] = {}, late[NumPhases] = {};

            for (int k = 0; k < numTaps; ++k)
            {
                const DoublePair first = loadPair (x + i - k), second = loadPair (x + i + 2 - k);

                for (int p = 0; p < NumPhases; ++p)
                {
                    const double tap = coefficients[(size_t) (p * numTaps + k)];
                    const DoublePair taps { tap, tap };
                    early[p] += first * taps;
                    late[p] += second * taps;
                }
            }

            for (int j = 0; j < 4; ++j)
            {
                double magnitude = 0.0;

                for (int p = 0; p < NumPhases; ++p)
                    magnitude = std::max (magnitude, std::abs (j < 2 ? early[p][j] : late[p][j - 2]));

                out[i + j] = (float) magnitude;
                highest = std::max (highest, magnitude);
            }
        }

        for (; i < numSamples; ++i)
        {
            const double magnitude = interpolatedMagnitude<NumPhases> (x, i);
            out[i] = (float) magnitude;
            highest = std::max (highest, magnitude);
        }

        // The last numTaps samples become the history that the next block starts from.
        std::copy (x + numSamples - numTaps, x + numSamples, histories[(size_t) channel].begin());
    }

    return (float) highest;
}

void OVEXTruePeakMeter::processBlock (const juce::AudioSampleBuffer& block, juce::uint32 stamp)
{
    const int numChannels = juce::jmin (block.getNumChannels(), 6);
    const int numSamples = block.getNumSamples();

    if (workCopy.getNumChannels() != numChannels || workCopy.getNumSamples() != numSamples)
        workCopy.setSize (numChannels, numSamples, false, false, true);

    if (channelSamples.size() < (size_t) (numTaps - 1 + numSamples))
        channelSamples.resize ((size_t) (numTaps - 1 + numSamples));

    for (int c = 0; c < numChannels; ++c)
    {
        const auto& history = histories[(size_t) c];
        std::copy (history.begin() + 1, history.end(), channelSamples.begin());

        const float* in = block.getReadPointer (c);
        double* x = channelSamples.data() + numTaps - 1;

        for (int i = 0; i < numSamples; ++i)
            x[i] = std::isfinite (in[i]) ? (double) in[i] : 0.0;

        const float peak = numSamples == 0    ? 0.0f
                         : phaseCount == 4    ? processChannel<4> (c, numSamples)
                         : phaseCount == 2    ? processChannel<2> (c, numSamples)
                                              : processChannel<0> (c, numSamples);

        channelTruePeak[(size_t) c] = (float) (20.0 * std::log10 ((double) peak));
    }

    blockTime = stamp;
}

void OVEXTruePeakMeter::getSnapshot (TruePeakResult& destination) const
{
    destination.levels = channelTruePeak;
    destination.time = blockTime;
}
