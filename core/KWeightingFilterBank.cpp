#include "KWeightingFilterBank.h"

#include <algorithm>
#include <cstring>

namespace
{
// Six channels and two idle lanes: one 256-bit register, or two 128-bit ones in the portable build.
constexpr int numLanes = 8;
using Lanes = float __attribute__ ((vector_size (numLanes * sizeof (float))));

/** One filter stage of every channel: b0, b1, b2, a1, a2 as juce::IIRCoefficients holds them, and the state. */
struct StageLanes
{
    Lanes c[5];
    Lanes v1, v2;
};

/** The channels are planar; a short run of frames is turned to one vector per sample and back. */
constexpr int framesAtOnce = 16;

/** Replaces each lane's input sample by the stage's output. */
NOLV_KERNEL_BODY void filterSample (StageLanes& s, Lanes& sample)
{
    // The operations of juce::IIRFilter::processSamples, in its order; this build never contracts them.
    const Lanes in = sample;
    const Lanes out = s.c[0] * in + s.v1;
    s.v1 = s.c[1] * in - s.c[3] * out + s.v2;
    s.v2 = s.c[2] * in - s.c[4] * out;
    sample = out;
}

NOLV_KERNEL_BODY void filterSixChannels (const float* const* source, float* const* destination, int numSamples,
                                         StageLanes* stages)
{
    StageLanes pre = stages[0], rlb = stages[1];
    alignas (sizeof (Lanes)) float frames[framesAtOnce][numLanes] = {}; // the idle lanes stay zero

    for (int start = 0; start < numSamples; start += framesAtOnce)
    {
        const int n = std::min (framesAtOnce, numSamples - start);

        for (int c = 0; c < 6; ++c)
            for (int j = 0; j < n; ++j)
                frames[j][c] = source[c][start + j];

        for (int j = 0; j < n; ++j)
        {
            Lanes x;
            std::memcpy (&x, frames[j], sizeof (x));
            filterSample (pre, x);
            filterSample (rlb, x);
            std::memcpy (frames[j], &x, sizeof (x));
        }

        for (int c = 0; c < 6; ++c)
            for (int j = 0; j < n; ++j)
                destination[c][start + j] = frames[j][c];
    }

    stages[0] = pre;
    stages[1] = rlb;
}

void filterSixChannelsPortable (const float* const* source, float* const* destination, int numSamples, StageLanes* stages)
{
    filterSixChannels (source, destination, numSamples, stages);
}

#if NOLV_HAS_AVX2_KERNELS
NOLV_AVX2_FUNCTION void filterSixChannelsAvx2 (const float* const* source, float* const* destination, int numSamples,
                                               StageLanes* stages)
{
    filterSixChannels (source, destination, numSamples, stages);
}
#endif
} // namespace

void KWeightingFilterBank::setCoefficients (const KWeighting& weighting)
{
    for (int c = 0; c < 6; ++c)
    {
        preFilters[(size_t) c].setCoefficients (weighting.preFilter);
        rlbFilters[(size_t) c].setCoefficients (weighting.rlbFilter);
    }
}

void KWeightingFilterBank::reset()
{
    for (int c = 0; c < 6; ++c)
    {
        preFilters[(size_t) c].reset();
        rlbFilters[(size_t) c].reset();
    }
}

void KWeightingFilterBank::process (const float* const* source, float* const* destination, int numChannels, int numSamples)
{
    const auto isActive = [] (const Filter& f) { return f.isActive(); };

    if (numChannels != 6 || ! std::all_of (preFilters.begin(), preFilters.end(), isActive)
        || ! std::all_of (rlbFilters.begin(), rlbFilters.end(), isActive))
    {
        for (int c = 0; c < numChannels; ++c)
        {
            if (destination[c] != source[c])
                std::copy (source[c], source[c] + numSamples, destination[c]);

            preFilters[(size_t) c].processSamples (destination[c], numSamples);
            rlbFilters[(size_t) c].processSamples (destination[c], numSamples);
        }

        return;
    }

    StageLanes stages[2] {};

    for (size_t c = 0; c < 6; ++c)
    {
        for (auto [stage, filter] : { std::pair<StageLanes*, Filter*> { &stages[0], &preFilters[c] }, { &stages[1], &rlbFilters[c] } })
        {
            for (int k = 0; k < 5; ++k)
                stage->c[k][c] = filter->rawCoefficients()[k];

            stage->v1[c] = filter->firstState();
            stage->v2[c] = filter->secondState();
        }
    }

#if NOLV_HAS_AVX2_KERNELS
    if (kernels == KernelSet::avx2)
        filterSixChannelsAvx2 (source, destination, numSamples, stages);
    else
#endif
        filterSixChannelsPortable (source, destination, numSamples, stages);

    // processSamples flushes tiny states to zero once per call, after its last sample; so does the bank, once per block.
    for (size_t c = 0; c < 6; ++c)
    {
        for (auto [stage, filter] : { std::pair<StageLanes*, Filter*> { &stages[0], &preFilters[c] }, { &stages[1], &rlbFilters[c] } })
        {
            float v1 = stage->v1[c], v2 = stage->v2[c];
            JUCE_SNAP_TO_ZERO (v1);
            JUCE_SNAP_TO_ZERO (v2);
            filter->firstState() = v1;
            filter->secondState() = v2;
        }
    }
}
