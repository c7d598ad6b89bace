#include "HistoryScale.h"

#include "BarScale.h"

#include <cmath>
#include <limits>

namespace
{
// e^27 and e^54, the law's factors for the two ranges, written out as the pinned heights need them.
constexpr double expOf27 = 532048240601.79865;
constexpr double expOf54 = 2.830753303274694e23;
} // namespace

HistoryScale::HistoryScale (int plotHeightInPixels, bool shouldBeHighResolution) : plotHeight (plotHeightInPixels)
{
    setHighResolution (shouldBeHighResolution);
}

void HistoryScale::setHighResolution (bool shouldBeHighResolution)
{
    highResolution = shouldBeHighResolution;
    const auto range = highResolution ? scaleRanges::ebu9 : scaleRanges::ebu18;
    low = range.first;
    high = range.second;
    expOfRange = highResolution ? expOf27 : expOf54;

    expLow = lawOf (low);
    expHigh = lawOf (high);
    expSpan = (float) ((double) expHigh - (double) expLow);
}

float HistoryScale::lawOf (float level) const
{
    const float quotient = level / (high - low);
    return (float) (std::exp ((double) quotient) * expOfRange);
}

int HistoryScale::loudnessToY (float level) const
{
    if (std::isnan (level))
        level = -std::numeric_limits<float>::infinity();

    const auto e = lawOf (level);
    const float y = (float) plotHeight * (e - expLow) / expSpan + 0.5f;

    // A million pixels is off any plot; the bound keeps the conversion defined for +inf.
    constexpr float farOff = 1.0e6f;
    return (int) std::trunc (y < -farOff ? -farOff : (y > farOff ? farOff : y));
}

const std::vector<int>& HistoryScale::getGridLevels() const noexcept
{
    static const std::vector<int> highResolutionGrid { -41, -35, -30, -28, -26, -23, -20, -18, -16, -14 };
    static const std::vector<int> lowResolutionGrid { -59, -50, -40, -30, -23, -16, -10, -5 };
    return highResolution ? highResolutionGrid : lowResolutionGrid;
}
