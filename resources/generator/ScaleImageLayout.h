#pragma once

#include "BarScale.h"
#include "NolvImages.h"

#include <array>
#include <utility>

/** Where the scale images put their ticks, so that a tick and the bar showing its level meet on
    the same row. The momentary bar is 483 px high and starts 5 px below the top of a loudness scale
    image; a level at bar pixel p (of the 569 the bar law counts) fills it up to 483·p/569. The
    true-peak bars stand at the top of their background, 480 px high. */
namespace scaleImageLayout
{
constexpr int barLawPixels = 569;

constexpr int loudnessRow (int barPixel) { return 488 - 483 * barPixel / barLawPixels; }
constexpr int truePeakRow (int barPixel) { return 480 - 480 * barPixel / barLawPixels; }

inline int loudnessRow (std::pair<float, float> range, float level)
{
    return loudnessRow (BarScale::make (range).pixel (level, barLawPixels));
}

inline int truePeakRow (float level)
{
    return truePeakRow (BarScale::make (scaleRanges::truePeak).pixel (level, barLawPixels));
}

// Loudness ticks point at the momentary bar, whose left edge is image column 61.
constexpr int tickLeft = 56;
constexpr int tickWidth = 5;

struct LoudnessScaleImage
{
    NolvImageId id;
    std::pair<float, float> range;
    float step;   // between ticks, from the bottom of the range
    float target; // the standard's target level, ticked in green
    bool relative;
};

// The relative scales are the EBU ones moved to the target; under ATSC they may sit one pixel off.
constexpr std::array<LoudnessScaleImage, 6> loudnessScaleImages { {
    { NolvImageId::scaleEbu18, scaleRanges::ebu18, 6.0f, -23.0f, false },
    { NolvImageId::scaleEbu9, scaleRanges::ebu9, 3.0f, -23.0f, false },
    { NolvImageId::scaleAtsc18, scaleRanges::atsc18, 6.0f, -24.0f, false },
    { NolvImageId::scaleAtsc9, scaleRanges::atsc9, 3.0f, -24.0f, false },
    { NolvImageId::scaleRelative18, scaleRanges::relative18, 6.0f, 0.0f, true },
    { NolvImageId::scaleRelative9, scaleRanges::relative9, 3.0f, 0.0f, true },
} };

constexpr std::array<int, 6> truePeakBarColumns { 61, 101, 141, 180, 220, 260 };
constexpr int truePeakBarWidth = 20;
constexpr int truePeakBarHeight = 480;

constexpr std::array<float, 9> truePeakTickLevels { 0.0f, -3.0f, -6.0f, -10.0f, -20.0f, -30.0f, -40.0f, -50.0f, -60.0f };

struct TruePeakBackground
{
    NolvImageId id;
    float referenceLevel;
};

constexpr std::array<TruePeakBackground, 2> truePeakBackgrounds { {
    { NolvImageId::truePeakBackgroundRef18, -18.0f },
    { NolvImageId::truePeakBackgroundRef20, -20.0f },
} };
} // namespace scaleImageLayout
