#pragma once

#include <vector>

/** The history graph's vertical scale: heights in the plot for levels in dB, on an exponential law
    that gives more height near the top, over -41..-14 (high resolution) or -59..-5 (low). The
    arithmetic is the graph's own, in the precision its pinned pixel heights depend on, and not
    the bar meters' BarScale. Plain data; used on the message thread. */
class HistoryScale
{
public:
    HistoryScale (int plotHeight, bool highResolution);

    void setHighResolution (bool shouldBeHighResolution);
    bool isHighResolution() const noexcept { return highResolution; }

    float getLow() const noexcept { return low; }
    float getHigh() const noexcept { return high; }
    float getExpLow() const noexcept { return expLow; }
    float getExpHigh() const noexcept { return expHigh; }
    float getExpSpan() const noexcept { return expSpan; }

    /** The height of a level above the plot's bottom: 0 at the low end, the plot height at the
        high end; unclamped, so levels off the scale give heights outside 0..plotHeight. A level
        that is not a number counts as minus infinity; heights stop a million pixels off. */
    int loudnessToY (float level) const;

    /** The levels the grid marks, from the bottom up. */
    const std::vector<int>& getGridLevels() const noexcept;

private:
    /** e^(level / k) e^k, k being the scale's range: the same product for the ends and every level,
        so the low end maps to exactly 0 and the high end to the plot height. */
    float lawOf (float level) const;

    int plotHeight;
    bool highResolution = true;
    float low = 0.0f, high = 0.0f, expLow = 0.0f, expHigh = 0.0f, expSpan = 0.0f;
    double expOfRange = 1.0; // e^(high - low), the law's constant factor
};
