#include "OVEXTruePeakMeter.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
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

constexpr int numTaps = OVEXTruePeakMeter::numTaps;
constexpr int samplesAtOnce = OVEXTruePeakMeter::samplesAtOnce;

/** The vectors of one register width: 16 bytes in the portable build, 32 in the AVX2 one. Lanes are
    worked on one by one with the operations a scalar loop would do. */
template <int Bytes>
struct Lanes;

template <>
struct Lanes<16>
{
    using Doubles = double __attribute__ ((vector_size (16)));
    using DoubleBits = std::int64_t __attribute__ ((vector_size (16)));
    using Floats = float __attribute__ ((vector_size (16)));
    using FloatBits = std::int32_t __attribute__ ((vector_size (16)));
    using FloatsForDoubles = float __attribute__ ((vector_size (8))); // as many floats as Doubles has lanes
};

template <>
struct Lanes<32>
{
    using Doubles = double __attribute__ ((vector_size (32)));
    using DoubleBits = std::int64_t __attribute__ ((vector_size (32)));
    using Floats = float __attribute__ ((vector_size (32)));
    using FloatBits = std::int32_t __attribute__ ((vector_size (32)));
    using FloatsForDoubles = float __attribute__ ((vector_size (16)));
};

template <typename Vector, typename Scalar>
constexpr int lanesOf = (int) (sizeof (Vector) / sizeof (Scalar));

/** The largest interpolated magnitude over the block x[0 .. numSamples), whose numTaps - 1
    predecessors lie before x and which is followed by samplesAtOnce zeros. */
template <typename L, int NumPhases>
NOLV_KERNEL_BODY double highestInterpolatedMagnitude (const double* x, int numSamples, const double* coefficients)
{
    using Doubles = typename L::Doubles;
    using Bits = typename L::DoubleBits;
    constexpr int width = lanesOf<Doubles, double>;
    constexpr int vectorsPerGroup = samplesAtOnce / width;

    const Bits magnitudeBits = Bits {} + INT64_MAX;
    Bits lane {};

    for (int l = 0; l < width; ++l)
        lane[l] = l;

    Doubles highest {};

    // Four neighbouring samples at once: each phase still sums its taps in order k = 0 .. 11, but the
    // independent sums overlap in the pipeline instead of waiting on one another.
    for (int i = 0; i < numSamples; i += samplesAtOnce)
    {
        Doubles sums[NumPhases][vectorsPerGroup];

        // Starting from the first product rather than adding it to zero can change only the sign of
        // a zero sum, which the magnitude drops.
        for (int v = 0; v < vectorsPerGroup; ++v)
        {
            Doubles samples;
            std::memcpy (&samples, x + i + v * width, sizeof (samples));

            for (int p = 0; p < NumPhases; ++p)
                sums[p][v] = samples * coefficients[p * numTaps];
        }

        for (int k = 1; k < numTaps; ++k)
        {
            for (int v = 0; v < vectorsPerGroup; ++v)
            {
                Doubles samples;
                std::memcpy (&samples, x + i + v * width - k, sizeof (samples));

                for (int p = 0; p < NumPhases; ++p)
                    sums[p][v] += samples * coefficients[p * numTaps + k];
            }
        }

        // A last group that runs past the block looks only at the samples inside it.
        const int inBlock = numSamples - i;

        for (int v = 0; v < vectorsPerGroup; ++v)
        {
            Doubles magnitude {};

            for (int p = 0; p < NumPhases; ++p)
            {
                const auto absolute = (Doubles) ((Bits) sums[p][v] & magnitudeBits);
                magnitude = magnitude < absolute ? absolute : magnitude;
            }

            const Bits inside = lane + v * width < Bits {} + inBlock;
            magnitude = (Doubles) ((Bits) magnitude & inside);
            highest = highest < magnitude ? magnitude : highest;
        }
    }

    // Maxima of non-negative values without NaN: the order of comparison cannot change the result.
    double result = 0.0;

    for (int l = 0; l < width; ++l)
        result = std::max (result, highest[l]);

    return result;
}

/** Converts the block to doubles after the history already in front of x (a NaN or infinite
    sample counts as silence), then interpolates. */
template <typename L, int NumPhases>
NOLV_KERNEL_BODY double interpolatedPeak (const float* samples, int numSamples, double* x, const double* coefficients,
                                          bool& anyNonFinite)
{
    using Doubles = typename L::Doubles;
    using Bits = typename L::DoubleBits;
    constexpr int width = lanesOf<Doubles, double>;

    const Bits magnitudeBits = Bits {} + INT64_MAX;
    const Doubles largestFinite = Doubles {} + (double) std::numeric_limits<float>::max();
    Bits nonFinite {};
    int i = 0;

    for (; i + width <= numSamples; i += width)
    {
        typename L::FloatsForDoubles some;
        std::memcpy (&some, samples + i, sizeof (some));
        const auto converted = __builtin_convertvector (some, Doubles);
        const Bits finite = (Doubles) ((Bits) converted & magnitudeBits) <= largestFinite; // false for NaN and infinity
        const auto counted = (Doubles) ((Bits) converted & finite);
        std::memcpy (x + i, &counted, sizeof (counted));
        nonFinite |= ~finite;
    }

    bool sawNonFinite = false;

    for (int l = 0; l < width; ++l)
        sawNonFinite = sawNonFinite || nonFinite[l] != 0;

    for (; i < numSamples; ++i)
    {
        const bool finite = std::isfinite (samples[i]);
        x[i] = finite ? (double) samples[i] : 0.0;
        sawNonFinite = sawNonFinite || ! finite;
    }

    for (int j = 0; j < samplesAtOnce; ++j)
        x[numSamples + j] = 0.0;

    anyNonFinite = sawNonFinite;
    return highestInterpolatedMagnitude<L, NumPhases> (x, numSamples, coefficients);
}

/** The largest magnitude of the finite samples, in single precision as they are. */
template <typename L>
NOLV_KERNEL_BODY float largestFiniteMagnitude (const float* samples, int numSamples, bool& anyNonFinite)
{
    using Floats = typename L::Floats;
    using Bits = typename L::FloatBits;
    constexpr int width = lanesOf<Floats, float>;

    const Bits magnitudeBits = Bits {} + INT32_MAX;
    const Floats largestFinite = Floats {} + std::numeric_limits<float>::max();
    Floats highest {};
    Bits nonFinite {};
    int i = 0;

    for (; i + width <= numSamples; i += width)
    {
        Floats some;
        std::memcpy (&some, samples + i, sizeof (some));
        const auto magnitude = (Floats) ((Bits) some & magnitudeBits);
        const Bits finite = magnitude <= largestFinite; // false for NaN and infinity
        const auto counted = (Floats) ((Bits) magnitude & finite);
        highest = highest < counted ? counted : highest;
        nonFinite |= ~finite;
    }

    float result = 0.0f;
    bool sawNonFinite = false;

    for (int l = 0; l < width; ++l)
    {
        result = std::max (result, highest[l]);
        sawNonFinite = sawNonFinite || nonFinite[l] != 0;
    }

    for (; i < numSamples; ++i)
    {
        const float magnitude = std::abs (samples[i]);

        if (magnitude <= std::numeric_limits<float>::max())
            result = std::max (result, magnitude);
        else
            sawNonFinite = true;
    }

    anyNonFinite = sawNonFinite;
    return result;
}

double interpolatedPeakPortable (int numPhases, const float* samples, int numSamples, double* x,
                                 const double* coefficients, bool& anyNonFinite)
{
    return numPhases == 4 ? interpolatedPeak<Lanes<16>, 4> (samples, numSamples, x, coefficients, anyNonFinite)
                          : interpolatedPeak<Lanes<16>, 2> (samples, numSamples, x, coefficients, anyNonFinite);
}

float largestFiniteMagnitudePortable (const float* samples, int numSamples, bool& anyNonFinite)
{
    return largestFiniteMagnitude<Lanes<16>> (samples, numSamples, anyNonFinite);
}

#if NOLV_HAS_AVX2_KERNELS
NOLV_AVX2_FUNCTION double interpolatedPeakAvx2 (int numPhases, const float* samples, int numSamples, double* x,
                                                const double* coefficients, bool& anyNonFinite)
{
    return numPhases == 4 ? interpolatedPeak<Lanes<32>, 4> (samples, numSamples, x, coefficients, anyNonFinite)
                          : interpolatedPeak<Lanes<32>, 2> (samples, numSamples, x, coefficients, anyNonFinite);
}

NOLV_AVX2_FUNCTION float largestFiniteMagnitudeAvx2 (const float* samples, int numSamples, bool& anyNonFinite)
{
    return largestFiniteMagnitude<Lanes<32>> (samples, numSamples, anyNonFinite);
}
#endif
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

void OVEXTruePeakMeter::keepLastSamples (std::array<double, 12>& history, const float* samples, int numSamples)
{
    // The new history is the last numTaps of the old one followed by the block; read before written.
    for (int k = 0; k < numTaps; ++k)
    {
        const int fromBlock = numSamples - numTaps + k;
        history[(size_t) k] = fromBlock < 0                          ? history[(size_t) (k + numSamples)]
                            : std::isfinite (samples[fromBlock]) ? (double) samples[fromBlock]
                                                                   : 0.0;
    }
}

float OVEXTruePeakMeter::processChannel (int channel, const float* samples, int numSamples, bool& sawInfinity)
{
    auto& history = histories[(size_t) channel];
    const bool avx2 = NOLV_HAS_AVX2_KERNELS && kernels == KernelSet::avx2;
    bool anyNonFinite = false;
    float highest = 0.0f;

    if (phaseCount == 0)
    {
#if NOLV_HAS_AVX2_KERNELS
        highest = avx2 ? largestFiniteMagnitudeAvx2 (samples, numSamples, anyNonFinite)
                       : largestFiniteMagnitudePortable (samples, numSamples, anyNonFinite);
#else
        highest = largestFiniteMagnitudePortable (samples, numSamples, anyNonFinite);
#endif
        keepLastSamples (history, samples, numSamples);
    }
    else
    {
        std::copy (history.begin() + 1, history.end(), channelSamples.begin());
        double* x = channelSamples.data() + numTaps - 1;

        // Rounding to float keeps the order, so the float of the highest is the highest float.
#if NOLV_HAS_AVX2_KERNELS
        highest = (float) (avx2 ? interpolatedPeakAvx2 (phaseCount, samples, numSamples, x, coefficients.data(), anyNonFinite)
                                : interpolatedPeakPortable (phaseCount, samples, numSamples, x, coefficients.data(), anyNonFinite));
#else
        highest = (float) interpolatedPeakPortable (phaseCount, samples, numSamples, x, coefficients.data(), anyNonFinite);
#endif

        // The last numTaps samples become the history that the next block starts from.
        std::copy (x + numSamples - numTaps, x + numSamples, history.begin());
    }

    sawInfinity = anyNonFinite && std::any_of (samples, samples + numSamples, [] (float s) { return std::isinf (s); });
    return highest;
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
