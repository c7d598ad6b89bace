#pragma once

#include "LoudnessHistory.h"
#include "PlaybackMarker.h"

#include <juce_gui_basics/juce_gui_basics.h>

/** The loudness history graph of one report: short-term and momentary curves over time on an
    exponential scale, zoomable from the whole report down to 50 columns per point, with columns
    above a limit tinted, a hover cross with a tooltip, and two markers "S" and "E" whose range it
    summarises. Each new summary of a report with points is announced by a change message. The
    data and its arithmetic live in LoudnessHistory; this draws it and turns the mouse and keys
    into its operations. Message thread only. */
class OVEXJuceLogDrawer : public juce::Component,
                          public juce::SettableTooltipClient,
                          public juce::ComponentListener,
                          public juce::ChangeBroadcaster
{
public:
    /** The size is fixed here: the plot keeps a 30-pixel margin on every side whatever the bounds. */
    OVEXJuceLogDrawer (int width, int height, juce::Colour backgroundColour, juce::Colour frameColour,
                       juce::Colour shortTermColour, juce::Colour momentaryColour, juce::Colour limitColour,
                       juce::Colour timeLabelColour, bool highResolution, float limit);
    ~OVEXJuceLogDrawer() override;

    //==============================================================================
    /** Loads a report's CSV log and shows the whole of it. */
    void loadCsvLines (const juce::File& csv);

    /** Loads the short-term history kept in a report's "DynamicMeasurements" element. */
    void loadDynamicMeasurements (const juce::XmlElement& element);

    /** Shows a history read elsewhere with the summary of all of it (see LoudnessHistory::loadSeries);
        the history shown before is left in points. */
    void loadSeries (LoudnessSeries& points, const juce::StringArray& summaryOfAll);

    /** Shows no report. Sends no change message: there is no summary to read. */
    void clearReport();

    void clearSeries();
    void clearView();

    //==============================================================================
    /** High resolution shows -41..-14, low -59..-5; either returns to the whole report. */
    void setScaleMode (bool highResolution);

    /** Columns where the active curve lies above the limit are tinted; returns to the whole report. */
    void setLimit (float level);

    /** Which curve is on top, filled, tested against the limit and followed by the hover cross. */
    void setShortTermActive (bool shortTermIsActive);
    bool isShortTermActive() const noexcept { return shortTermActive; }

    /** The histograms the range summary uses; the editor switches their gating with the engine's.
        A gating change shows from the next summary on. */
    OVEXLoudnessHistogram& getMomentaryHistogram() noexcept { return history.getMomentaryHistogram(); }
    OVEXLoudnessHistogram& getShortTermHistogram() noexcept { return history.getShortTermHistogram(); }

    //==============================================================================
    void setView (juce::int64 start, int level);
    void zoomIn (int column);
    void zoomOut (int column);
    void zoomToFit();
    int loudnessToY (float level) const { return history.loudnessToY (level); }

    juce::int64 getViewStart() const noexcept { return history.getViewStart(); }
    int getViewLevel() const noexcept { return history.getViewLevel(); }
    int getNumLevels() const noexcept { return history.getNumLevels(); }
    juce::int64 getLevelEntryCount (int level) const { return history.getLevelEntryCount (level); }

    /** The nine texts of the range between the markers, in the order LoudnessHistory gives them. */
    const juce::StringArray& getRangeSummary() const noexcept { return history.getRangeSummary(); }

    const LoudnessHistory& getHistory() const noexcept { return history; }
    PlaybackMarker& getStartMarker() noexcept { return startMarker; }
    PlaybackMarker& getEndMarker() noexcept { return endMarker; }

    //==============================================================================
    void paint (juce::Graphics&) override;
    void resized() override;
    void mouseMove (const juce::MouseEvent&) override;
    void mouseExit (const juce::MouseEvent&) override;
    void mouseDrag (const juce::MouseEvent&) override;
    void mouseUp (const juce::MouseEvent&) override;
    void mouseDoubleClick (const juce::MouseEvent&) override;
    void mouseWheelMove (const juce::MouseEvent&, const juce::MouseWheelDetails&) override;

    /** Takes every key, used or not, so that no key pressed on the graph reaches the window. */
    bool keyPressed (const juce::KeyPress&) override;

    void componentMovedOrResized (juce::Component&, bool wasMoved, bool wasResized) override;

private:
    void reportLoaded();
    void viewChanged();
    void summaryChanged();
    void placeMarkers();
    void rebuildBackground();
    bool isOnPlot (juce::Point<int> position) const;
    void setHover (int column);
    void placeMarkerAtHover (PlaybackMarker& marker);
    juce::Rectangle<int> getPlotArea() const;

    const int width, height, plotWidth, plotHeight;
    static constexpr int margin = 30;
    const int plotLeft = margin, plotRight, plotTop = margin, plotBottom;

    const juce::Colour backgroundColour, frameColour, shortTermColour, momentaryColour, limitColour, timeLabelColour;
    juce::Image backgroundImage;
    float limitLevel;
    int limitY = 0;

    bool hovering = false;
    int hoverColumn = -1;
    bool banding = false;
    int bandX = 0, bandY = 0, bandWidth = 0, bandHeight = 0;
    int tooltipColumn = -1;

    LoudnessHistory history;
    bool shortTermActive = true;

    PlaybackMarker startMarker, endMarker;
    juce::Component markerOverlay;
    bool trackMarkerMoves = true;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (OVEXJuceLogDrawer)
};
