#include "OVEXJuceLRVU.h"

#include "DisplayBallistics.h"
#include "DisplayRepaint.h"

#include <cmath>

OVEXJuceLRVU::OVEXJuceLRVU (juce::Image background, juce::Image foreground)
    : juce::Component ("LRVUMeter"), backgroundImage (background), foregroundImage (foreground)
{
}

void OVEXJuceLRVU::setRange (float newLow, float newHigh)
{
    const auto rowsBefore = stripRows();

    if (std::isfinite (newLow))
        low = clampFraction (newLow);

    if (std::isfinite (newHigh))
        high = clampFraction (newHigh);

    repaintChangedRows (*this, rowsBefore, stripRows());
}

void OVEXJuceLRVU::setBoundsAndRepaint (juce::Rectangle<int> newBounds)
{
    setBounds (newBounds);
    repaint();
}

juce::Range<int> OVEXJuceLRVU::stripRows() const
{
    const int h = getHeight();
    const int lo = (int) (low * (float) h);
    const int hi = (int) (high * (float) h);

    // Checked here rather than left to the image drawing, which would take a negative height.
    if (hi <= lo)
        return {};

    return { h - hi, h - lo };
}

void OVEXJuceLRVU::resized()
{
    setOpaque (coversOpaquely (backgroundImage, getLocalBounds()));
}

void OVEXJuceLRVU::paint (juce::Graphics& g)
{
    const int w = getWidth();

    g.setOpacity (1.0f);
    g.drawImageAt (backgroundImage, 0, 0);

    const auto rows = stripRows();

    if (! rows.isEmpty())
        g.drawImage (foregroundImage, 0, rows.getStart(), w, rows.getLength(), 0, rows.getStart(), w,
                     rows.getLength());
}
