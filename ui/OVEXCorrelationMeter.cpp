#include "OVEXCorrelationMeter.h"

#include "DisplayBallistics.h"
#include "LevelHelpers.h"
#include "NolvColours.h"

#include <algorithm>
#include <cmath>

namespace
{
// Column i sits one older-marker width right of i + 4, the bar frame's inner edge.
constexpr int firstColumnPosition = 5;

float roundForScaleMode (float value, int scaleMode)
{
    return scaleMode == 1 ? roundToTenth (value) : roundToHundredth (value);
}
} // namespace

std::map<float, int> correlationPositionTable (int columns, int scaleMode)
{
    std::map<float, int> table;

    if (columns < 2)
        return table;

    const float step = 2.0f / (float) (columns - 1);

    for (int i = 0; i < columns; ++i)
        table[roundForScaleMode ((float) i * step - 1.0f, scaleMode)] = i + firstColumnPosition;

    return table;
}

CorrelationZones correlationZones (int columns)
{
    CorrelationZones zones;
    zones.red = columns * 75 / 200;
    zones.yellow = columns * 25 / 100;
    zones.green = columns - zones.red - zones.yellow;
    return zones;
}

int markerColourColumn (float position, bool newest, int columns)
{
    if (columns <= 0 || ! (position >= (float) firstColumnPosition))
        return -1;

    if (newest)
        return juce::jlimit (0, columns - 1, (int) (position - 8.0f));

    const int column = (int) (position - (float) firstColumnPosition);
    return column < columns ? column : -1;
}

OVEXCorrelationMeter::OVEXCorrelationMeter (int w, int h, juce::Colour background, juce::Colour red,
                                            juce::Colour green, juce::Colour yellow, juce::Colour frame,
                                            juce::Font font, juce::String firstName, juce::String secondName)
    : width (w), height (h), barWidth (w - 8), barHeight (h - 27), columns (juce::jmax (0, barWidth - 2)),
      frameColour (frame), redColour (red), greenColour (green), yellowColour (yellow),
      backgroundColour (background), labelFont (font), nameA (firstName), nameB (secondName)
{
    const auto zones = correlationZones (columns);
    zoneColours.insert (zoneColours.end(), (size_t) zones.red, redColour);
    zoneColours.insert (zoneColours.end(), (size_t) zones.yellow, yellowColour);
    zoneColours.insert (zoneColours.end(), (size_t) zones.green, greenColour);

    trailAlphas[0] = 1.0f;

    for (int i = 1; i < trailLength; ++i)
        trailAlphas[(size_t) i] = 0.5f - (float) i * (0.5f / (float) trailLength);

    // Until 30 values have come, the start positions trail faintly at the left end of the bar.
    for (int i = 0; i < trailLength; ++i)
        positions[(size_t) i] = (float) (trailLength - 1 - i);

    previousPositions.fill (-100.0f);
    valueToPosition = correlationPositionTable (columns, scaleMode);

    setSize (juce::jmax (0, width), juce::jmax (0, height));
    backgroundImage = juce::Image (juce::Image::RGB, juce::jmax (1, width), juce::jmax (1, height), true);
    renderBackground();
    createLabels();
}

void OVEXCorrelationMeter::setValue (float correlation)
{
    const float x = std::isfinite (correlation) ? correlation : level;

    if (differsRelatively (level, x))
    {
        // Rises show at once; falls decay by the release coefficient per call.
        follower = juce::jmax (x, (1.0f - release.coefficient) * x + release.coefficient * follower);
        level = (1.0f - attackTime) * follower + attackTime * level;
    }

    const auto areaBefore = markerArea();
    updateHistory (level);

    if (changed)
        repaint (areaBefore.getUnion (markerArea()));
}

void OVEXCorrelationMeter::updateHistory (float value)
{
    currentPosition = (float) positionOf (value);
    previousPositions = positions;
    std::copy_backward (positions.begin(), positions.end() - 1, positions.end());
    positions[0] = currentPosition;

    changed = false;

    for (size_t i = 0; i < positions.size(); ++i)
        if (! (positions[i] == previousPositions[i]))
            changed = true;
}

int OVEXCorrelationMeter::positionOf (float value) const
{
    // A NaN key would break the map's ordering, so it is never looked up; unknown keys sit at 0.
    if (! std::isfinite (value))
        return 0;

    const auto found = valueToPosition.find (roundForScaleMode (value, scaleMode));
    return found != valueToPosition.end() ? found->second : 0;
}

void OVEXCorrelationMeter::setScaleMode (int mode)
{
    if (mode != 1 && mode != 2)
        return;

    scaleMode = mode;
    valueToPosition = correlationPositionTable (columns, scaleMode);
}

juce::Rectangle<int> OVEXCorrelationMeter::markerArea() const
{
    const auto [lowest, highest] = std::minmax_element (positions.begin(), positions.end());

    // The newest marker is 4 px wide about p - 1, the older ones 1 px wide about p + 1.
    const int left = (int) std::floor (*lowest) - 3;
    const int right = (int) std::ceil (*highest) + 2;
    return { left, 3, right - left, juce::jmax (0, barHeight - 2) };
}

void OVEXCorrelationMeter::renderBackground()
{
    backgroundImage.clear (backgroundImage.getBounds(), juce::Colour());
    juce::Graphics g (backgroundImage);
    g.setColour (backgroundColour);
    g.fillRect (0, 0, width, height);
    g.setColour (frameColour);
    g.drawRect (4, 2, barWidth, barHeight, 1);
}

void OVEXCorrelationMeter::createLabels()
{
    labelFont = labelFont.withHeight (9.0f).withStyle (juce::Font::plain);
    const float fh = labelFont.getHeight();
    const int y1 = (int) ((float) height - 2.3f * fh);
    const int y2 = (int) ((float) height - 1.2f * fh);

    const auto place = [this, fh] (juce::Label& label, const juce::String& text, juce::Rectangle<int> bounds,
                                   juce::Justification justification)
    {
        label.setText (text, juce::dontSendNotification);
        label.setFont (labelFont);
        label.setColour (juce::Label::textColourId, nolvColours::text);
        label.setJustificationType (justification);
        label.setBounds (bounds.withHeight ((int) fh));
        addAndMakeVisible (label);
    };

    place (minusOneLabel, "-1", { -1, y1, barWidth, 0 }, juce::Justification::centredLeft);
    place (zeroLabel, "0", { 4, y1, barWidth, 0 }, juce::Justification::centred);
    place (plusOneLabel, "+1", { 9, y1, barWidth, 0 }, juce::Justification::centredRight);
    place (captionLabel, nameA + " / " + nameB, { 4, y2, barWidth, 0 }, juce::Justification::centred);
}

void OVEXCorrelationMeter::paint (juce::Graphics& g)
{
    if (backgroundImage.isValid())
        g.drawImageAt (backgroundImage, 0, 0);
    else
        g.fillAll (backgroundColour);

    const float top = 3.0f;
    const float bottom = (float) barHeight + 1.0f;

    for (int i = 0; i < trailLength; ++i)
    {
        const float p = positions[(size_t) i];
        const bool newest = i == 0;
        const int column = markerColourColumn (p, newest, columns);

        if (column < 0)
            continue;

        g.setColour (zoneColours[(size_t) column].withAlpha (trailAlphas[(size_t) i]));

        if (newest)
            g.drawLine (p - 1.0f, top, p - 1.0f, bottom, newestMarkerWidth);
        else
            g.drawLine (p + 1.0f, top, p + 1.0f, bottom, olderMarkerWidth);
    }
}
