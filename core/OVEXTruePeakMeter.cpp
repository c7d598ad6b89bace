#include "OVEXTruePeakMeter.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

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

void OVEXTruePeakMeter::setSampleRate (int blockSize, double newSampleRate)
{
    if (newSampleRate != sampleRate)
    {
        sampleRate = newSampleRate;
        choosePhaseCount();
        loadCoefficients();
    }

    reserveSamples (juce::jmax (1, blockSize));
}

void OVEXTruePeakMeter::reserveSamples (int blockSize)
{
    // Room for a last group of samplesAtOnce that runs past the block.
    const auto needed = (size_t) (numTaps - 1 + blockSize + samplesAtOnce);

    if (channelSamples.size() < needed)
        channelSamples.resize (needed);
}

void OVEXTruePeakMeter::choosePhaseCount()
{
    if (! (sampleRate > 0.0))
        return;

    phaseCount = sampleRate < 88200.0 ? 4 : sampleRate < 176400.0 ? 2 : 0;
}

void OVEXTruePeakMeter::loadCoefficients()
{
    coefficients.fill (0.0);

    // At twice the rate, phases 1 and 3 fall on an even grid at 3/8 and 7/8 of a sample.
    const std::array<int, 4> fourPhases { 0, 1, 2, 3 }, twoPhases { 1, 3 };
    const auto& phases = phaseCount == 4 ? fourPhases : twoPhases;

    for (int slot = 0; slot < phaseCount; ++slot)
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
double OVEXTruePeakMeter::highestMagnitude (int numSamples) const
{
    const double* x = channelSamples.data() + numTaps - 1;
    double highest = 0.0; // rounding to float keeps the order, so the float of the highest is the highest float

    if constexpr (NumPhases == 0)
    {
        for (int i = 0; i < numSamples; ++i)
            highest = std::max (highest, std::abs (x[i]));
    }
    else
    {
        // Four neighbouring samples at once, in pairs: each phase still sums its taps in order
        // k = 0 .. 11, but the independent sums overlap in the pipeline instead of waiting on one another.
        for (int i = 0; i < numSamples; i += samplesAtOnce)
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

            // A last group that runs past the block looks only at the samples inside it.
            const int inBlock = numSamples - i;

            for (int j = 0; j < samplesAtOnce; ++j)
            {
                double magnitude = 0.0;

                for (int p = 0; p < NumPhases; ++p)
                    magnitude = std::max (magnitude, std::abs (j < 2 ? early[p][j] : late[p][j - 2]));

                highest = j < inBlock ? std::max (highest, magnitude) : highest;
            }
        }
    }

    return highest;
}

float OVEXTruePeakMeter::processChannel (int channel, const float* samples, int numSamples, bool& sawInfinity)
{
    auto& history = histories[(size_t) channel];
    std::copy (history.begin() + 1, history.end(), channelSamples.begin());
    double* x = channelSamples.data() + numTaps - 1;
    sawInfinity = false;

    bool anyNonFinite = false;

    for (int i = 0; i < numSamples; ++i)
    {
        const bool finite = std::isfinite (samples[i]);
        x[i] = finite ? (double) samples[i] : 0.0;
        anyNonFinite = anyNonFinite || ! finite;
    }

    sawInfinity = anyNonFinite && std::any_of (samples, samples + numSamples, [] (float s) { return std::isinf (s); });

    std::fill (x + numSamples, x + numSamples + samplesAtOnce, 0.0);

    const double highest = phaseCount == 4 ? highestMagnitude<4> (numSamples)
                         : phaseCount == 2 ? highestMagnitude<2> (numSamples)
                                           : highestMagnitude<0> (numSamples);

    // The last numTaps samples become the history that the next block starts from.
    std::copy (x + numSamples - numTaps, x + numSamples, history.begin());
    return (float) highest;
}

float OVEXTruePeakMeter::truePeakOfSample (int channel, float sample)
{
    reserveSamples (1);
    bool sawInfinity = false;
    return processChannel (channel, &sample, 1, sawInfinity);
}

void OVEXTruePeakMeter::processBlock (const juce::AudioSampleBuffer& block)
{
    const int numChannels = juce::jmin (block.getNumChannels(), 6);
    const int numSamples = block.getNumSamples();
    reserveSamples (numSamples);

    for (int c = 0; c < numChannels; ++c)
    {
        bool sawInfinity = false;
        const float peak = numSamples == 0 ? 0.0f : processChannel (c, block.getReadPointer (c), numSamples, sawInfinity);

        channelTruePeak[(size_t) c] = sawInfinity ? std::numeric_limits<float>::infinity()
                                                  : (float) (20.0 * std::log10 ((double) peak));
    }
}

void OVEXTruePeakMeter::getSnapshot (TruePeakResult& destination) const
{
    destination.levels = channelTruePeak;
}
