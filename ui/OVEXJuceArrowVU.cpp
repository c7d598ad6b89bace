#include "OVEXJuceArrowVU.h"

#include "DisplayBallistics.h"
#include "DisplayRepaint.h"

#include <cmath>

OVEXJuceArrowVU::OVEXJuceArrowVU (juce::Image scale, juce::Image arrow)
    : juce::Component ("ArrowVUMeter"), backgroundImage (scale), arrowImage (arrow)
{
}

void OVEXJuceArrowVU::setValue (float newValue)
{
    if (! std::isfinite (newValue))
        return;

    const auto areaBefore = arrowArea();
    value = clampFraction (newValue);

    const auto areaAfter = arrowArea();

    if (areaAfter != areaBefore)
        repaint (areaBefore.getUnion (areaAfter));
}

void OVEXJuceArrowVU::setBoundsAndRepaint (juce::Rectangle<int> newBounds)
{
    setBounds (newBounds);
    repaint();
}

void OVEXJuceArrowVU::setBackground (const juce::Image& background)
{
    backgroundImage = background;
    resized();
    repaint();
}

void OVEXJuceArrowVU::resized()
{
    setOpaque (coversOpaquely (backgroundImage, getLocalBounds()));
}

juce::Rectangle<int> OVEXJuceArrowVU::arrowArea() const
{
    const int h = getHeight();
    const int y = h - arrowImage.getHeight() / 2 - (int) ((float) h * value);
    return { 0, y, arrowImage.getWidth(), arrowImage.getHeight() };
}

void OVEXJuceArrowVU::paint (juce::Graphics& g)
{
    g.setOpacity (1.0f);
    g.drawImageAt (backgroundImage, 0, 0);

    const auto area = arrowArea();
    g.drawImageAt (arrowImage, area.getX(), area.getY());
}
