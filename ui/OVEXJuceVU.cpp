#include "OVEXJuceVU.h"

#include "DisplayBallistics.h"
#include "DisplayRepaint.h"

#include <cmath>

OVEXJuceVU::OVEXJuceVU (juce::Image background, bool peakHold, int holdMs, int intervalMs)
    : juce::Component ("VUMeter"), peakHoldEnabled (peakHold), backgroundImage (background)
{
    // A negative interval is treated like none: it would make the hold count meaningless.
    if (peakHold && intervalMs > 0)
    {
        interval = intervalMs;
        holdCount = holdMs / intervalMs;
    }
}

OVEXJuceVU::OVEXJuceVU (juce::Image background, juce::Image foreground, bool peakHold, int holdMs, int intervalMs)
    : OVEXJuceVU (background, peakHold, holdMs, intervalMs)
{
    foregroundImage = foreground;
}

OVEXJuceVU::OVEXJuceVU (juce::Image background, juce::Colour low, juce::Colour high, bool peakHold, int holdMs,
                        int intervalMs, float splitFraction)
    : OVEXJuceVU (background, peakHold, holdMs, intervalMs)
{
    lowColour = low;
    highColour = high;
    generatedForeground = juce::Image (juce::Image::RGB, juce::jmax (1, background.getWidth()),
                                       juce::jmax (1, background.getHeight()), true);
    foregroundImage = generatedForeground;
    split = splitFraction;
    renderBarImage();
}

void OVEXJuceVU::setLevel (float newLevel)
{
    const auto levelBefore = levelRows();
    const auto peakBefore = peakRows();

    level = clampFraction (level);
    const float x = std::isfinite (newLevel) ? clampFraction (newLevel) : level;

    if (differsRelatively (level, x))
        updateLevel (x);

    level = clampFraction (level);
    peakLevel = clampFraction (peakLevel);

    if (peakHoldEnabled && differsRelatively (level, peakLevel))
        updatePeakHold();

    repaintChangedRows (*this, levelBefore, levelRows());
    repaintChangedRows (*this, peakBefore, peakRows());
}

void OVEXJuceVU::updateLevel (float x)
{
    if (! ballisticsEnabled)
    {
        level = x;
        return;
    }

    // Rises show at once; towards a lower input the distance shrinks by the coefficient per call.
    follower = juce::jmax (x, (1.0f - release.coefficient) * x + release.coefficient * follower);
    level = (1.0f - attackTime) * follower + attackTime * level;
}

void OVEXJuceVU::updatePeakHold()
{
    if (level > peakLevel)
    {
        peakLevel = level;
        fallStep = 0.005f;
        holdArmed = false;
        holdCounter = 0;
    }
    else if (! holdArmed)
    {
        holdArmed = true;
        holdCounter = 0;
    }
    else if (holdCounter < holdCount)
    {
        ++holdCounter;
    }
    else if (peakLevel != 0.0f)
    {
        // A fall below zero is clamped at the next call.
        peakLevel -= fallStep;
        fallStep *= 2.0f;
    }
}

void OVEXJuceVU::setHoldTime (int holdMs)
{
    if (interval != 0)
        holdCount = holdMs / interval;
}

void OVEXJuceVU::renderBarImage()
{
    // A given foreground may be shared through the image cache, so only a generated one is drawn on.
    if (! generatedForeground.isValid())
        return;

    const int w = generatedForeground.getWidth();
    const int h = generatedForeground.getHeight();
    const int lowRows = (int) ((float) h * clampFraction (split));

    generatedForeground.clear (generatedForeground.getBounds(), juce::Colour());
    juce::Graphics g (generatedForeground);
    g.setColour (lowColour);
    g.fillRect (0, h - lowRows, w, lowRows);
    g.setColour (highColour);
    g.fillRect (0, 0, w, h - lowRows);

    repaintChangedRows (*this, {}, levelRows());
    repaintChangedRows (*this, {}, peakRows());
}

void OVEXJuceVU::setBoundsAndRepaint (juce::Rectangle<int> newBounds)
{
    setBounds (newBounds);
    repaint();
}

juce::Range<int> OVEXJuceVU::levelRows() const
{
    const int h = getHeight();
    return { h - (int) (clampFraction (level) * (float) h), h };
}

juce::Range<int> OVEXJuceVU::peakRows() const
{
    const int h = getHeight();
    const int p = (int) ((float) h * clampFraction (peakLevel));

    if (! peakHoldEnabled || p == 0)
        return {};

    return juce::Range<int>::withStartAndLength (h - p, 2);
}

void OVEXJuceVU::resized()
{
    setOpaque (coversOpaquely (backgroundImage, getLocalBounds()));
}

void OVEXJuceVU::paint (juce::Graphics& g)
{
    const int w = getWidth();

    g.setOpacity (1.0f);
    g.drawImageAt (backgroundImage, 0, 0);

    for (const auto rows : { levelRows(), peakRows() })
        if (! rows.isEmpty())
            g.drawImage (foregroundImage, 0, rows.getStart(), w, rows.getLength(), 0, rows.getStart(), w,
                         rows.getLength());
}
