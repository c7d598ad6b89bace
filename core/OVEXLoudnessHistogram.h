#pragma once

#include "LevelHelpers.h"

#include <array>
#include <atomic>
#include <cstddef>

/** Loudness values on a 0.1 dB grid from -70.0 to 0.0 dB, counted in 701 bins, from which the gated
    integrated loudness and the loudness range are computed over the whole history at constant cost.

    Bin 0 (-70.0, the system's "no value") is counted but takes no part in either result, which is
    BS.1770's absolute gate of blocks above -70. Counts are fed and evaluated on one thread; the
    gating flag may be switched from another. */
class OVEXLoudnessHistogram
{
public:
    static constexpr int numBins = 701;

    struct Range
    {
        float range = 0.0f; // LU
        float low = noLoudnessValue; // dB
        float high = noLoudnessValue; // dB
    };

    explicit OVEXLoudnessHistogram (bool gating);

    void clear();

    /** Files a value by its 0.1 dB rounding; values below -70.0 and non-finite ones are ignored,
        values above 0.0 count as 0.0. */
    void addValue (float loudness);

    /** Energy mean with the relative gate at -10 LU; -70.0 when nothing above -70.0 was counted. */
    float getIntegratedLoudness() const;

    /** 10th to 95th percentile with the relative gate at -20 LU. */
    Range getLoudnessRange() const;

    void setGating (bool shouldGate) noexcept { gating.store (shouldGate, std::memory_order_relaxed); }
    bool isGating() const noexcept { return gating.load (std::memory_order_relaxed); }

    float getCount (int bin) const noexcept { return counts[(std::size_t) bin]; }
    static float binLoudnessOf (int bin) noexcept;

    /** The bin of a value already on the 0.1 grid; values off the grid's ends give bin 0. */
    static int binIndex (float roundedLoudness) noexcept;

private:
    struct Sums
    {
        float energy = 0.0f;
        long long count = 0;
        int lowestBin = numBins - 1;
        int highestBin = 0;
    };

    Sums sumBins (int firstBin) const;

    std::array<float, numBins> counts {};
    std::atomic<bool> gating;
};
