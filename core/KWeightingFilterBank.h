#pragma once

#include "KWeighting.h"
#include "KernelSet.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <array>

/** The K-weighting filters of the six channel roles: per role a pre-filter and an RLB filter, held
    as juce::IIRFilter objects, which keep their coefficients and state. A six-channel block runs
    through all twelve side by side, one vector lane per channel, doing for every sample exactly the
    single-precision operations of juce::IIRFilter::processSamples in its order, so the result is
    the same bit for bit as filtering channel by channel. Audio thread only, but for preparation. */
class KWeightingFilterBank
{
public:
    /** juce::IIRFilter keeps its state protected; the bank reads and writes it from here. */
    class Filter : public juce::IIRFilter
    {
    public:
        bool isActive() const noexcept { return active; }
        const float* rawCoefficients() const noexcept { return coefficients.coefficients; }
        float& firstState() noexcept { return v1; }
        float& secondState() noexcept { return v2; }
    };

    void setCoefficients (const KWeighting& weighting);
    void reset();

    /** Filters numChannels channels of source into destination (which may be source itself). */
    void process (const float* const* source, float* const* destination, int numChannels, int numSamples);

    std::array<Filter, 6> preFilters, rlbFilters;

private:
    const KernelSet kernels = chosenKernelSet();
};
