#include "LoudnessHistory.h"

#include "LevelHelpers.h"
#include "ReportText.h"

#include <cmath>

namespace
{
constexpr float finestFactor = 0.02f; // 50 entries per point
constexpr float factorStep = 8.0f;

/** trunc (index × factor), in single precision wherever the index is a whole float, so the
    entries of every level a float counter can reach land on the same points as that counter's
    would; in double precision beyond. */
juce::int64 scaledIndex (juce::int64 index, float factor)
{
    constexpr juce::int64 wholeFloats = juce::int64 (1) << 24;

    if (index < wholeFloats && index > -wholeFloats)
        return (juce::int64) std::trunc ((float) index * factor);

    return (juce::int64) std::trunc ((double) index * (double) factor);
}

/** The seconds since midnight of a time text "H:M:S" (each part its leading number, 0 when
    absent), so that spans never depend on the day they are looked at. */
double secondsOfDay (const juce::String& time)
{
    const auto field = [] (const juce::String& text)
    {
        const auto value = text.getDoubleValue();
        return std::isfinite (value) ? std::trunc (juce::jlimit (-1.0e9, 1.0e9, value)) : 0.0;
    };

    const auto afterHours = time.fromFirstOccurrenceOf (":", false, false);
    return field (time.upToFirstOccurrenceOf (":", false, false)) * 3600.0
         + field (afterHours.upToFirstOccurrenceOf (":", false, false)) * 60.0
         + field (afterHours.fromFirstOccurrenceOf (":", false, false));
}

juce::String maximumText (float level)
{
    return level > noLoudnessValue ? formatOneDecimal (level) : juce::String ("-");
}
} // namespace

LoudnessHistory::LoudnessHistory (int width, int height, bool highResolution)
    : plotWidth (width), plotHeight (height), scale (height, highResolution)
{
    summary.strings.resize (numSummaryTexts);
}

//==============================================================================
void LoudnessHistory::loadCsvLog (const juce::File& csv)
{
    series.readCsvLog (csv);
    seriesLoaded();
}

void LoudnessHistory::loadCsvLog (juce::InputStream& csv)
{
    series.readCsvLog (csv);
    seriesLoaded();
}

void LoudnessHistory::loadDynamicMeasurements (const juce::XmlElement& element)
{
    series.readDynamicMeasurements (element);
    seriesLoaded();
}

void LoudnessHistory::loadSeries (LoudnessSeries& points, const juce::StringArray& summaryOfAll)
{
    std::swap (series, points);
    seriesLoaded (&summaryOfAll);
}

void LoudnessHistory::clear()
{
    series.clear();
    seriesLoaded();
}

void LoudnessHistory::seriesLoaded (const juce::StringArray* summaryOfAll)
{
    clearView();
    viewFirstIndex = viewLastIndex = 0;
    buildZoomLevels();

    if (summaryOfAll != nullptr)
        summary = *summaryOfAll;
    else
        updateRangeSummary (0, getNumPoints() - 1);

    startMarkerIndex = 0;
    endMarkerIndex = juce::jmax ((juce::int64) 0, getNumPoints() - 1);

    if (getNumPoints() > 0)
        zoomToFit();
}

void LoudnessHistory::clearSeries()
{
    series.clear();
    zoomFactors.clear();
    entryCounts.clear();
}

void LoudnessHistory::clearView()
{
    visibleShortTerm.clear();
    visibleMomentary.clear();
    visibleShortTermY.clear();
    visibleMomentaryY.clear();
    visibleTimes.clear();
}

//==============================================================================
void LoudnessHistory::buildZoomLevels()
{
    zoomFactors.clear();
    entryCounts.clear();

    const auto points = getNumPoints();
    const float ratio = (float) points / (float) plotWidth;

    // Factors 0.02 × 8^k below the ratio, then the ratio itself, which fits the report to the plot.
    float factor = finestFactor;
    zoomFactors.push_back (factor);

    while (ratio > factor)
    {
        factor *= factorStep;
        zoomFactors.push_back (factor);
    }

    zoomFactors.back() = ratio;

    for (const auto f : zoomFactors)
    {
        // As many entries as whole numbers j with j < points / f, counted without a float counter.
        const float count = points > 0 ? (float) points / f : 0.0f;
        entryCounts.push_back ((juce::int64) std::ceil ((double) count));
    }
}

float LoudnessHistory::getZoomFactor (int level) const
{
    return juce::isPositiveAndBelow (level, getNumLevels()) ? zoomFactors[(size_t) level] : 0.0f;
}

juce::int64 LoudnessHistory::getLevelEntryCount (int level) const
{
    return juce::isPositiveAndBelow (level, getNumLevels()) ? entryCounts[(size_t) level] : 0;
}

juce::int64 LoudnessHistory::pointOfEntry (int level, juce::int64 entry) const
{
    return juce::jlimit ((juce::int64) 0, juce::jmax ((juce::int64) 0, getNumPoints() - 1),
                         scaledIndex (entry, getZoomFactor (level)));
}

//==============================================================================
void LoudnessHistory::setHighResolution (bool shouldBeHighResolution)
{
    scale.setHighResolution (shouldBeHighResolution);

    if (isViewShown())
        zoomToFit();
}

//==============================================================================
void LoudnessHistory::setView (juce::int64 start, int level)
{
    clearView();

    if (getNumPoints() == 0 || getNumLevels() == 0)
        return;

    level = juce::jlimit (0, getNumLevels() - 1, level);
    start = juce::jmax ((juce::int64) 0, juce::jmin (start, entryCounts[(size_t) level] - plotWidth));

    setMarkerRange (start, level);

    for (int column = 0; column < plotWidth; ++column)
    {
        const auto point = (size_t) pointOfEntry (level, start + column);
        const auto shortTerm = series.shortTermAt (point), momentary = series.momentaryAt (point);

        visibleShortTerm.push_back (shortTerm);
        visibleMomentary.push_back (momentary);
        visibleShortTermY.push_back (juce::jlimit (0, plotHeight, loudnessToY (shortTerm)));
        visibleMomentaryY.push_back (juce::jlimit (0, plotHeight, loudnessToY (momentary)));
        visibleTimes.push_back (series.timeAt (point));
    }

    viewStart = start;
    viewEnd = start + plotWidth - 1;
    viewLevel = level;
}

void LoudnessHistory::zoomIn (int column)
{
    if (isViewShown() && viewLevel > 0 && viewLevel < getNumLevels())
        zoomTo (viewLevel - 1, column);
}

void LoudnessHistory::zoomOut (int column)
{
    if (isViewShown() && viewLevel + 1 < getNumLevels())
        zoomTo (viewLevel + 1, column);
}

void LoudnessHistory::zoomTo (int newLevel, int column)
{
    const float ratio = (float) entryCounts[(size_t) newLevel] / (float) entryCounts[(size_t) viewLevel];
    const auto centre = column != 0 ? viewStart + column : (viewStart + viewEnd) / 2;
    setView ((juce::int64) std::trunc (ratio * (float) centre) - plotWidth / 2, newLevel);
}

void LoudnessHistory::zoomToFit()
{
    setView (0, getNumLevels() - 1);
}

juce::String LoudnessHistory::tooltipText (int column) const
{
    if (! juce::isPositiveAndBelow (column, getNumColumns()))
        return {};

    const auto shown = [] (float level) { return formatOneDecimal (juce::jmax (noLoudnessValue, level)); };

    return "Momentary Value: " + shown (momentaryAtColumn (column)) + "\n" + "Short Term Value: "
         + shown (shortTermAtColumn (column)) + "\n" + "At Time: " + timeAtColumn (column);
}

//==============================================================================
void LoudnessHistory::setMarkerRange (juce::int64 start, int level)
{
    const auto factor = getZoomFactor (level);
    const auto points = getNumPoints();
    const auto span = juce::jlimit ((juce::int64) 0, points, scaledIndex (plotWidth, factor));

    viewFirstIndex = juce::jlimit ((juce::int64) 0, points - 1, scaledIndex (start, factor));
    viewLastIndex = viewFirstIndex + span;
}

int LoudnessHistory::markerXFor (juce::int64 index, bool isEndMarker) const
{
    const auto travel = plotWidth - markerWidth;

    // A view spanning one point has no scale: the markers stand at the two ends.
    if (viewLastIndex == viewFirstIndex)
        return isEndMarker ? travel : 0;

    const auto x = std::nearbyint ((double) (index - viewFirstIndex) * ((double) travel / (double) (viewLastIndex - viewFirstIndex)));

    // Points far outside the view land far outside the plot, where the marker is clipped anyway.
    return (int) juce::jlimit (-1.0e6, 1.0e6, x);
}

int LoudnessHistory::getStartMarkerX() const
{
    return markerXFor (startMarkerIndex, false);
}

int LoudnessHistory::getEndMarkerX() const
{
    return markerXFor (endMarkerIndex, true);
}

juce::int64 LoudnessHistory::pointAtMarkerX (int x) const
{
    const auto travel = plotWidth - markerWidth;

    if (travel <= 0)
        return viewFirstIndex;

    return (juce::int64) std::nearbyint ((double) viewFirstIndex
                                         + (double) x * (double) (viewLastIndex - viewFirstIndex) / (double) travel);
}

void LoudnessHistory::startMarkerMovedTo (int x)
{
    startMarkerIndex = juce::jmin (pointAtMarkerX (x), endMarkerIndex);
    updateRangeSummary (startMarkerIndex, endMarkerIndex);
}

void LoudnessHistory::endMarkerMovedTo (int x)
{
    endMarkerIndex = juce::jmax (pointAtMarkerX (x), startMarkerIndex);
    updateRangeSummary (startMarkerIndex, endMarkerIndex);
}

//==============================================================================
void LoudnessHistory::updateRangeSummary (juce::int64 from, juce::int64 to)
{
    summary = summarise (series, from, to, momentaryHistogram, shortTermHistogram);
}

juce::StringArray LoudnessHistory::summarise (const LoudnessSeries& series, juce::int64 from, juce::int64 to,
                                              OVEXLoudnessHistogram& momentaryHistogram,
                                              OVEXLoudnessHistogram& shortTermHistogram)
{
    const auto points = (juce::int64) series.size();

    if (points == 0)
    {
        const juce::String none;
        return { formatOneDecimal (noLoudnessValue), formatOneDecimal (noLoudnessValue), none, "-", none, "-", none, none, none };
    }

    const auto first = juce::jlimit ((juce::int64) 0, points - 1, from);
    const auto last = juce::jlimit ((juce::int64) 0, points - 1, to);

    momentaryHistogram.clear();
    shortTermHistogram.clear();

    // The first of equal maxima wins, and no level at or below -70 ever does.
    float momentaryMax = noLoudnessValue, shortTermMax = noLoudnessValue;
    juce::int64 momentaryMaxPoint = 0, shortTermMaxPoint = 0;

    for (auto point = first; point <= last; ++point)
    {
        const auto momentary = series.momentaryAt ((size_t) point);
        const auto shortTerm = series.shortTermAt ((size_t) point);
        momentaryHistogram.addValue (momentary);
        shortTermHistogram.addValue (shortTerm);

        if (momentary > momentaryMax)
        {
            momentaryMax = momentary;
            momentaryMaxPoint = point;
        }

        if (shortTerm > shortTermMax)
        {
            shortTermMax = shortTerm;
            shortTermMaxPoint = point;
        }
    }

    const auto& startDate = series.dateAt ((size_t) first);
    const auto& endDate = series.dateAt ((size_t) last);
    const auto seconds = secondsOfDay (series.timeAt ((size_t) last)) - secondsOfDay (series.timeAt ((size_t) first))
                       + (startDate != endDate ? 86400.0 : 0.0);

    const auto positionText = [&series] (juce::int64 point)
    { return series.dateAt ((size_t) point) + " " + series.timeAt ((size_t) point); };

    return { formatOneDecimal (momentaryHistogram.getIntegratedLoudness()),
             formatOneDecimal (shortTermHistogram.getLoudnessRange().range),
             durationText (seconds),
             maximumText (shortTermMax),
             positionText (shortTermMaxPoint),
             maximumText (momentaryMax),
             positionText (momentaryMaxPoint),
             positionText (first),
             positionText (last) };
}
