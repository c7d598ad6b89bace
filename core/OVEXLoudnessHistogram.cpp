#include "OVEXLoudnessHistogram.h"

#include "LevelHelpers.h"

#include <cmath>

namespace
{
// The bottom of the histogram is the absolute gate, -70 LUFS: its bin is counted but never passes.
constexpr float absoluteGate = -70.0f;
constexpr int firstGatedBin = 1;

struct BinTables
{
    std::array<float, OVEXLoudnessHistogram::numBins> loudness {};
    std::array<double, OVEXLoudnessHistogram::numBins> energy {};

    BinTables()
    {
        for (int i = 0; i < OVEXLoudnessHistogram::numBins; ++i)
        {
            loudness[(size_t) i] = roundToTenth (0.1f * (float) i + absoluteGate);
            energy[(size_t) i] = std::pow (10.0, (double) (loudness[(size_t) i] / 10.0f));
        }
    }
};

const BinTables& binTables()
{
    static const BinTables tables;
    return tables;
}
} // namespace

OVEXLoudnessHistogram::OVEXLoudnessHistogram (bool shouldGate) : gating (shouldGate)
{
    binTables();
}

void OVEXLoudnessHistogram::clear()
{
    counts.fill (0.0f);
}

float OVEXLoudnessHistogram::binLoudnessOf (int bin) noexcept
{
    return binTables().loudness[(size_t) bin];
}

int OVEXLoudnessHistogram::binIndex (float roundedLoudness) noexcept
{
    // floor (v * 10 + 0.5) recovers i - 700 exactly for all 701 grid values.
    const float index = std::floor (roundedLoudness * 10.0f + 0.5f) + 700.0f;

    if (! (index >= 0.0f && index <= (float) (numBins - 1)))
        return 0;

    return (int) index;
}

void OVEXLoudnessHistogram::addValue (float loudness)
{
    if (! (loudness >= absoluteGate) || ! std::isfinite (loudness))
        return;

    const int bin = loudness > 0.0f ? numBins - 1 : binIndex (roundToTenth (loudness));
    counts[(size_t) bin] += 1.0f;
}

OVEXLoudnessHistogram::Sums OVEXLoudnessHistogram::sumBins (int firstBin) const
{
    const auto& energy = binTables().energy;
    Sums sums;

    for (int i = firstBin; i < numBins; ++i)
    {
        const float count = counts[(size_t) i];

        if (count <= 0.0f)
            continue;

        sums.energy += (double) count * energy[(size_t) i];
        sums.count += (long long) count;
        sums.lowestBin = std::min (sums.lowestBin, i);
        sums.highestBin = i;
    }

    return sums;
}

float OVEXLoudnessHistogram::getIntegratedLoudness() const
{
    auto sums = sumBins (firstGatedBin);

    if (sums.count == 0)
        return noLoudnessValue;

    float integrated = 10.0f * std::log10 (sums.energy / (float) sums.count);

    if (isGating())
    {
        const float gate = roundToTenth (integrated - 10.0f);
        sums = sumBins (std::max (firstGatedBin, binIndex (gate)));

        if (sums.count == 0)
            return noLoudnessValue;

        integrated = 10.0f * std::log10 (sums.energy / (float) sums.count);
    }

    return integrated;
}

OVEXLoudnessHistogram::Range OVEXLoudnessHistogram::getLoudnessRange() const
{
    auto sums = sumBins (firstGatedBin);

    if (isGating())
    {
        int start = firstGatedBin;

        if (sums.count > 0)
            start = std::max (firstGatedBin,
                              binIndex (roundToTenth (10.0f * std::log10 (sums.energy / (float) sums.count) - 20.0f)));

        sums = sumBins (start);
        sums.highestBin = std::max (sums.highestBin, start);
    }

    int lowBin = 0, highBin = 0;

    if (sums.highestBin == sums.lowestBin)
    {
        lowBin = highBin = sums.lowestBin;
    }
    else if (sums.lowestBin < sums.highestBin)
    {
        // Nearest rank on the bins: the last bin whose preceding count does not exceed the rank.
        const auto p10 = (long long) std::floor (0.1f * (float) sums.count);
        const auto p95 = (long long) std::floor (0.95f * (float) sums.count);
        long long before = 0;

        for (int j = sums.lowestBin; j <= sums.highestBin; ++j)
        {
            if (before <= p10)
                lowBin = j;

            if (before <= p95)
                highBin = j;

            before += (long long) counts[(size_t) j];
        }
    }

    Range result;
    result.low = binLoudnessOf (lowBin);
    result.high = binLoudnessOf (highBin);
    result.range = result.high - result.low;
    return result;
}
