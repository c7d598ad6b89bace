#pragma once

#include "HistoryScale.h"
#include "LoudnessSeries.h"
#include "OVEXLoudnessHistogram.h"

#include <juce_core/juce_core.h>

#include <vector>

/** The loudness history graph without its drawing: a report's points, its zoom levels, the view of
    one level that fills the plot's columns, where the two range markers stand, and the summary of
    the range between them. Used by one graph on the message thread; tested without a display.

    A zoom level is a point sample of the series, from 50 entries per point down to the whole report
    across the plot. Levels are never stored: each keeps its factor (points per entry) and its entry
    count, and an entry's point is worked out when a view needs it, so a day-long report costs no
    more memory than its points and no level count can outgrow its counter. */
class LoudnessHistory
{
public:
    /** The markers' width: a marker's left edge travels 0 .. plotWidth - markerWidth across the view. */
    static constexpr int markerWidth = 20;

    /** The places of the range summary's texts. */
    enum SummaryText
    {
        summaryIntegrated,
        summaryRange,
        summaryDuration,
        summaryMaxShortTerm,
        summaryMaxShortTermPosition,
        summaryMaxMomentary,
        summaryMaxMomentaryPosition,
        summaryStart,
        summaryEnd,
        numSummaryTexts
    };

    LoudnessHistory (int plotWidth, int plotHeight, bool highResolution);

    //==============================================================================
    /** Each load replaces everything: the points, the levels, the view (the whole report when there
        is a point), the markers (first and last point) and the summary (the whole report). */
    void loadCsvLog (const juce::File& csv);
    void loadCsvLog (juce::InputStream& csv);
    void loadDynamicMeasurements (const juce::XmlElement& element);

    /** Loads points read elsewhere with the summary of all of them as summarise() gives it, so
        that no work here grows with the report; the points shown before are left in points, for
        the caller to free where it likes. */
    void loadSeries (LoudnessSeries& points, const juce::StringArray& summaryOfAll);

    /** Forgets the report: no points, no view, the summary of nothing. */
    void clear();

    /** Empties the points alone, or the view alone; the next load or view sets them again. */
    void clearSeries();
    void clearView();

    juce::int64 getNumPoints() const noexcept { return (juce::int64) series.size(); }
    const LoudnessSeries& getSeries() const noexcept { return series; }

    //==============================================================================
    int getNumLevels() const noexcept { return (int) zoomFactors.size(); }
    float getZoomFactor (int level) const;
    juce::int64 getLevelEntryCount (int level) const;

    /** The point an entry of a level samples, always a valid point when there is one. */
    juce::int64 pointOfEntry (int level, juce::int64 entry) const;

    //==============================================================================
    const HistoryScale& getScale() const noexcept { return scale; }
    int loudnessToY (float level) const { return scale.loudnessToY (level); }

    /** Changes the scale; a shown view returns to the whole report. */
    void setHighResolution (bool shouldBeHighResolution);

    //==============================================================================
    /** A view is shown once a report with points has been loaded, until the next load or clear. */
    bool isViewShown() const noexcept { return ! visibleShortTermY.empty(); }

    /** Shows plotWidth entries of a level from a start entry, both brought into range. */
    void setView (juce::int64 start, int level);

    /** One level finer or coarser around a plot column (0 means the middle of the view), keeping
        the entry under it in the middle; nothing at the finest or coarsest level or with no view. */
    void zoomIn (int column);
    void zoomOut (int column);

    /** The coarsest level from its first entry: the whole report. */
    void zoomToFit();

    juce::int64 getViewStart() const noexcept { return viewStart; }
    juce::int64 getViewEnd() const noexcept { return viewEnd; }
    int getViewLevel() const noexcept { return viewLevel; }

    /** The shown view column by column (none when no view is shown); heights are clamped to the plot. */
    int getNumColumns() const noexcept { return (int) visibleShortTermY.size(); }
    float shortTermAtColumn (int column) const { return visibleShortTerm[(size_t) column]; }
    float momentaryAtColumn (int column) const { return visibleMomentary[(size_t) column]; }
    int shortTermYAtColumn (int column) const { return visibleShortTermY[(size_t) column]; }
    int momentaryYAtColumn (int column) const { return visibleMomentaryY[(size_t) column]; }
    const juce::String& timeAtColumn (int column) const { return visibleTimes[(size_t) column]; }

    /** "Momentary Value: …\nShort Term Value: …\nAt Time: …" for a shown column, else empty. */
    juce::String tooltipText (int column) const;

    //==============================================================================
    /** The points the view spans, first to last, as the markers map them. */
    juce::int64 getViewFirstIndex() const noexcept { return viewFirstIndex; }
    juce::int64 getViewLastIndex() const noexcept { return viewLastIndex; }

    juce::int64 getStartMarkerIndex() const noexcept { return startMarkerIndex; }
    juce::int64 getEndMarkerIndex() const noexcept { return endMarkerIndex; }

    /** Where each marker's left edge stands for its point in the current view. */
    int getStartMarkerX() const;
    int getEndMarkerX() const;

    /** A marker moved to a left edge x: its point follows from x, never past the other marker's
        point, and the summary is recomputed for the new range. */
    void startMarkerMovedTo (int x);
    void endMarkerMovedTo (int x);

    //==============================================================================
    /** Summarises the points from..to (brought into range) into the nine texts. */
    void updateRangeSummary (juce::int64 from, juce::int64 to);

    /** The nine texts of a series' points from..to (brought into range), counted into the given
        histograms; what updateRangeSummary shows. Any thread. */
    static juce::StringArray summarise (const LoudnessSeries& series, juce::int64 from, juce::int64 to,
                                        OVEXLoudnessHistogram& momentaryHistogram, OVEXLoudnessHistogram& shortTermHistogram);

    /** The nine texts in SummaryText order; loudness texts have one decimal, a missing maximum is "-",
        positions, start and end read date, blank, time. */
    const juce::StringArray& getRangeSummary() const noexcept { return summary; }

    OVEXLoudnessHistogram& getMomentaryHistogram() noexcept { return momentaryHistogram; }
    OVEXLoudnessHistogram& getShortTermHistogram() noexcept { return shortTermHistogram; }

private:
    void seriesLoaded (const juce::StringArray* summaryOfAll = nullptr);
    void buildZoomLevels();
    void zoomTo (int newLevel, int column);
    void setMarkerRange (juce::int64 start, int level);
    int markerXFor (juce::int64 index, bool isEndMarker) const;
    juce::int64 pointAtMarkerX (int x) const;

    const int plotWidth, plotHeight;
    LoudnessSeries series;
    HistoryScale scale;

    std::vector<float> zoomFactors;
    std::vector<juce::int64> entryCounts;

    std::vector<float> visibleShortTerm, visibleMomentary;
    std::vector<int> visibleShortTermY, visibleMomentaryY;
    std::vector<juce::String> visibleTimes;
    juce::int64 viewStart = 0, viewEnd = 0;
    int viewLevel = 0;

    juce::int64 viewFirstIndex = 0, viewLastIndex = 0, startMarkerIndex = 0, endMarkerIndex = 0;

    OVEXLoudnessHistogram momentaryHistogram { true }, shortTermHistogram { true };
    juce::StringArray summary;
};
