#include "OVEXJuceLogDrawer.h"

#include "NolvColours.h"

#include <cmath>
#include <utility>

namespace
{
constexpr float fillAlpha = 0.25f, gridAlpha = 0.25f, overlayAlpha = 0.4f, inactiveCurveAlpha = 0.5f;
constexpr int scrollStep = 10;         // entries per arrow key
constexpr int timeLabelsPerPlot = 11;  // a time label every plotWidth / 11 columns
constexpr float labelFontHeight = 14.0f;

void extendPath (juce::Path& path, float x, float y)
{
    if (path.isEmpty())
        path.startNewSubPath (x, y);

    path.lineTo (x, y);
}

/** A vertical one-pixel line, filled as the rectangle it covers: drawLine's coverage (to a level
    of rounding) at a fraction of its cost, which counts 940 times per paint. */
void drawColumnLine (juce::Graphics& g, float x, float y1, float y2)
{
    g.fillRect (juce::Rectangle<float> (x - 0.5f, juce::jmin (y1, y2), 1.0f, std::abs (y2 - y1)));
}

bool isZoomInKey (const juce::KeyPress& key, const juce::String& description)
{
    // Linux number pads send '+' and '-' as text, never as the number-pad key codes.
    return key.getKeyCode() == juce::KeyPress::numberPadAdd || description == "shift + +" || description == "="
        || key.getTextCharacter() == '+';
}

bool isZoomOutKey (const juce::KeyPress& key, const juce::String& description)
{
    return key.getKeyCode() == juce::KeyPress::numberPadSubtract || description == "shift + _" || description == "-"
        || key.getTextCharacter() == '-';
}

bool isLetterKey (const juce::KeyPress& key, char lowerCase)
{
    const auto code = key.getKeyCode();
    return code == lowerCase || code == lowerCase - 'a' + 'A';
}
} // namespace

OVEXJuceLogDrawer::OVEXJuceLogDrawer (int w, int h, juce::Colour background, juce::Colour frame,
                                      juce::Colour shortTerm, juce::Colour momentary, juce::Colour limit,
                                      juce::Colour timeLabel, bool highResolution, float limitLevelToShow)
    : juce::Component ("ReportDisplay"),
      width (w),
      height (h),
      plotWidth (w - 2 * margin),
      plotHeight (h - 2 * margin),
      plotRight (w - margin),
      plotBottom (h - margin),
      backgroundColour (background),
      frameColour (frame),
      shortTermColour (shortTerm),
      momentaryColour (momentary),
      limitColour (limit),
      timeLabelColour (timeLabel),
      backgroundImage (juce::Image::RGB, juce::jmax (1, w), juce::jmax (1, h), true),
      limitLevel (limitLevelToShow),
      history (plotWidth, plotHeight, highResolution),
      startMarker ("S", nolvColours::lightGrey),
      endMarker ("E", nolvColours::lightGrey)
{
    setScaleMode (highResolution);
    setLimit (limitLevelToShow);

    markerOverlay.addAndMakeVisible (startMarker);
    markerOverlay.addAndMakeVisible (endMarker);
    markerOverlay.setInterceptsMouseClicks (false, true);
    addAndMakeVisible (markerOverlay);

    startMarker.setLineAlignment (2);
    endMarker.setLineAlignment (3);
    startMarker.addComponentListener (this);
    endMarker.addComponentListener (this);

    setWantsKeyboardFocus (true);
    setSize (width, height);
}

OVEXJuceLogDrawer::~OVEXJuceLogDrawer()
{
    startMarker.removeComponentListener (this);
    endMarker.removeComponentListener (this);
}

//==============================================================================
void OVEXJuceLogDrawer::loadCsvLines (const juce::File& csv)
{
    history.loadCsvLog (csv);
    reportLoaded();
}

void OVEXJuceLogDrawer::loadDynamicMeasurements (const juce::XmlElement& element)
{
    history.loadDynamicMeasurements (element);
    reportLoaded();
}

void OVEXJuceLogDrawer::loadSeries (LoudnessSeries& points, const juce::StringArray& summaryOfAll)
{
    history.loadSeries (points, summaryOfAll);
    reportLoaded();
}

void OVEXJuceLogDrawer::clearReport()
{
    history.clear();
    repaint();
}

void OVEXJuceLogDrawer::clearSeries()
{
    history.clearSeries();
}

void OVEXJuceLogDrawer::clearView()
{
    history.clearView();
    repaint();
}

void OVEXJuceLogDrawer::reportLoaded()
{
    viewChanged();
    summaryChanged();
}

void OVEXJuceLogDrawer::summaryChanged()
{
    // A report without points has nothing to say; its summary must not replace what the owner shows.
    if (history.getNumPoints() > 0)
        sendChangeMessage();
}

void OVEXJuceLogDrawer::viewChanged()
{
    placeMarkers();
    repaint();
}

//==============================================================================
void OVEXJuceLogDrawer::setScaleMode (bool highResolution)
{
    history.setHighResolution (highResolution);
    rebuildBackground();
    limitY = history.loudnessToY (limitLevel);
    viewChanged();
}

void OVEXJuceLogDrawer::setLimit (float level)
{
    limitLevel = level;
    limitY = history.loudnessToY (level);

    if (history.isViewShown())
        history.zoomToFit();

    viewChanged();
}

void OVEXJuceLogDrawer::setShortTermActive (bool shortTermIsActive)
{
    if (shortTermActive != shortTermIsActive)
    {
        shortTermActive = shortTermIsActive;
        repaint (getPlotArea());
    }
}

//==============================================================================
void OVEXJuceLogDrawer::setView (juce::int64 start, int level)
{
    history.setView (start, level);
    viewChanged();
}

void OVEXJuceLogDrawer::zoomIn (int column)
{
    history.zoomIn (column);
    viewChanged();
}

void OVEXJuceLogDrawer::zoomOut (int column)
{
    history.zoomOut (column);
    viewChanged();
}

void OVEXJuceLogDrawer::zoomToFit()
{
    history.zoomToFit();
    viewChanged();
}

//==============================================================================
void OVEXJuceLogDrawer::placeMarkers()
{
    if (! history.isViewShown())
        return;

    trackMarkerMoves = false;
    startMarker.setTopLeftPosition (history.getStartMarkerX(), 0);
    endMarker.setTopLeftPosition (history.getEndMarkerX(), 0);
    trackMarkerMoves = true;
}

void OVEXJuceLogDrawer::componentMovedOrResized (juce::Component& component, bool wasMoved, bool)
{
    if (! wasMoved || ! trackMarkerMoves)
        return;

    // A marker pushed past the other one is put onto it; that move comes back here and is the one counted.
    if (&component == &startMarker)
    {
        if (startMarker.getX() > endMarker.getX())
        {
            startMarker.setTopLeftPosition (endMarker.getX(), 0);
            return;
        }

        history.startMarkerMovedTo (startMarker.getX());
    }
    else if (&component == &endMarker)
    {
        if (endMarker.getX() < startMarker.getX())
        {
            endMarker.setTopLeftPosition (startMarker.getX(), 0);
            return;
        }

        history.endMarkerMovedTo (endMarker.getX());
    }
    else
    {
        return;
    }

    summaryChanged();
}

//==============================================================================
juce::Rectangle<int> OVEXJuceLogDrawer::getPlotArea() const
{
    return { plotLeft, plotTop, plotWidth, plotHeight };
}

bool OVEXJuceLogDrawer::isOnPlot (juce::Point<int> position) const
{
    return history.isViewShown() && plotLeft < position.x && position.x < plotRight && plotTop < position.y
        && position.y < plotBottom;
}

void OVEXJuceLogDrawer::setHover (int column)
{
    if (column == hoverColumn && hovering == (column >= 0))
        return;

    hovering = column >= 0;
    hoverColumn = column;
    repaint (getPlotArea());
}

void OVEXJuceLogDrawer::mouseMove (const juce::MouseEvent& e)
{
    if (isOnPlot (e.getPosition()))
    {
        const auto column = e.x - plotLeft;
        tooltipColumn = column;
        setTooltip (history.tooltipText (column));
        setHover (column);
    }
    else
    {
        setTooltip ({});
        tooltipColumn = -1;
        setHover (-1);
    }
}

void OVEXJuceLogDrawer::mouseExit (const juce::MouseEvent&)
{
    setTooltip ({});
    setHover (-1);
}

void OVEXJuceLogDrawer::mouseDrag (const juce::MouseEvent& e)
{
    if (! isOnPlot (e.getPosition()))
        return;

    if (e.mods.isCtrlDown())
    {
        banding = true;
        bandX = e.getMouseDownX();
        bandY = e.getMouseDownY();
        bandWidth = e.getDistanceFromDragStartX();
        bandHeight = e.getDistanceFromDragStartY();
        setHover (-1);
        repaint (getPlotArea());
    }
    else
    {
        // The whole distance from the press each time: the view keeps running while the pointer is away.
        setView (history.getViewStart() + e.getDistanceFromDragStartX(), history.getViewLevel());
    }
}

void OVEXJuceLogDrawer::mouseUp (const juce::MouseEvent& e)
{
    if (std::exchange (banding, false))
    {
        repaint (getPlotArea());

        if (history.isViewShown())
            zoomIn ((2 * bandX + bandWidth) / 2 - plotLeft);
    }
    else if (e.mods.isAltDown() && history.isViewShown())
    {
        zoomToFit();
    }
}

void OVEXJuceLogDrawer::mouseDoubleClick (const juce::MouseEvent& e)
{
    if (isOnPlot (e.getPosition()))
        zoomIn (e.x - plotLeft);
}

void OVEXJuceLogDrawer::mouseWheelMove (const juce::MouseEvent& e, const juce::MouseWheelDetails& wheel)
{
    if (! isOnPlot (e.getPosition()))
        return;

    if (wheel.deltaY > 0.0f)
        zoomIn (e.x - plotLeft);
    else if (wheel.deltaY < 0.0f)
        zoomOut (e.x - plotLeft);
}

bool OVEXJuceLogDrawer::keyPressed (const juce::KeyPress& key)
{
    const auto description = key.getTextDescription();
    const auto shown = history.isViewShown();

    if (isZoomInKey (key, description))
    {
        if (shown)
            zoomIn (0);
    }
    else if (isZoomOutKey (key, description))
    {
        if (shown)
            zoomOut (0);
    }
    else if (key.getKeyCode() == juce::KeyPress::leftKey || key.getKeyCode() == juce::KeyPress::rightKey)
    {
        if (shown)
        {
            const auto step = key.getKeyCode() == juce::KeyPress::leftKey ? -scrollStep : scrollStep;
            setView (history.getViewStart() + step, history.getViewLevel());

            // The values under the pointer have moved.
            if (tooltipColumn != -1)
                setTooltip (history.tooltipText (tooltipColumn));
        }
    }
    else if (isLetterKey (key, 's'))
    {
        placeMarkerAtHover (startMarker);
    }
    else if (isLetterKey (key, 'e'))
    {
        placeMarkerAtHover (endMarker);
    }

    return true;
}

void OVEXJuceLogDrawer::placeMarkerAtHover (PlaybackMarker& marker)
{
    // The marker's left edge goes onto the hovered column.
    if (hovering)
        marker.setCentrePosition (hoverColumn + LoudnessHistory::markerWidth / 2, (height - 2 * margin) / 2);
}

//==============================================================================
void OVEXJuceLogDrawer::resized()
{
    markerOverlay.setBounds (plotLeft, plotTop, plotWidth, height - 2 * margin);

    // Only the size: where the markers stand is the markers' business and the view's.
    startMarker.setSize (LoudnessHistory::markerWidth, height - 2 * margin);
    endMarker.setSize (LoudnessHistory::markerWidth, height - 2 * margin);
}

void OVEXJuceLogDrawer::rebuildBackground()
{
    backgroundImage.clear (backgroundImage.getBounds());
    juce::Graphics g (backgroundImage);

    g.setColour (backgroundColour);
    g.fillRect (0, 0, width, height);

    g.setColour (frameColour);
    g.drawRect (plotLeft - 2, plotTop - 2, plotWidth + 4, plotHeight + 4, 2);
    g.setFont (juce::Font (labelFontHeight));

    for (const auto level : history.getScale().getGridLevels())
    {
        const auto y = (float) (plotBottom - history.loudnessToY ((float) level));

        g.setColour (frameColour);
        g.drawText (juce::String (level), 2, (int) y - 4, margin - 4, 8, juce::Justification::centred, true);
        g.drawLine ((float) plotLeft - 2.0f, y, (float) plotLeft, y);

        g.setColour (frameColour.withAlpha (gridAlpha));
        g.drawLine ((float) plotLeft, y, (float) plotRight, y);
    }

    repaint();
}

void OVEXJuceLogDrawer::paint (juce::Graphics& g)
{
    g.drawImageAt (backgroundImage, 0, 0);

    const auto columns = history.getNumColumns();
    const auto activeY = [this] (int column)
    {
        return shortTermActive ? history.shortTermYAtColumn (column) : history.momentaryYAtColumn (column);
    };

    if (columns > 0)
    {
        juce::Path shortTermPath, momentaryPath;
        const auto fill = (shortTermActive ? shortTermColour.brighter (0.35f) : momentaryColour.brighter (0.9f))
                              .withAlpha (fillAlpha);
        const auto tint = limitColour.withAlpha (overlayAlpha);
        const auto labelStep = plotWidth / timeLabelsPerPlot;
        const auto bottom = (float) plotBottom;
        g.setFont (juce::Font (labelFontHeight));

        for (int column = 0; column < columns; ++column)
        {
            const auto x = (float) (plotLeft + column);
            const auto yActive = activeY (column);

            extendPath (shortTermPath, x, bottom - (float) history.shortTermYAtColumn (column));
            extendPath (momentaryPath, x, bottom - (float) history.momentaryYAtColumn (column));

            g.setColour (fill);
            drawColumnLine (g, x, bottom + 2.0f - (float) yActive, bottom);

            if (yActive > limitY)
            {
                g.setColour (tint);
                drawColumnLine (g, x, (float) plotTop, bottom);
            }

            if (labelStep > 0 && column % labelStep == 0)
            {
                g.setColour (timeLabelColour);
                g.drawText (history.timeAtColumn (column), plotLeft + column - 30, plotBottom, 60, 26,
                            juce::Justification::centred, false);
            }
        }

        const juce::PathStrokeType stroke (2.0f);
        const auto& inactivePath = shortTermActive ? momentaryPath : shortTermPath;
        const auto& activePath = shortTermActive ? shortTermPath : momentaryPath;

        g.setColour ((shortTermActive ? momentaryColour : shortTermColour).withAlpha (inactiveCurveAlpha));
        g.strokePath (inactivePath, stroke);
        g.setColour ((shortTermActive ? shortTermColour : momentaryColour).withAlpha (1.0f));
        g.strokePath (activePath, stroke);
    }

    if (hovering && juce::isPositiveAndBelow (hoverColumn, columns))
    {
        const auto y = (float) (plotBottom - activeY (hoverColumn));
        const auto x = (float) (plotLeft + hoverColumn);
        g.setColour (frameColour.withAlpha (overlayAlpha));
        g.drawLine ((float) plotLeft, y, (float) plotRight, y);
        g.drawLine (x, (float) plotTop, x, (float) plotBottom);
    }

    if (banding && bandWidth > 0 && bandHeight > 0)
    {
        g.setColour (frameColour.withAlpha (overlayAlpha));
        g.drawRect (bandX, bandY, bandWidth, bandHeight, 1);
    }
}
