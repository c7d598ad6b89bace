#include "PlaybackMarker.h"

#include <cmath>

PlaybackMarker::PlaybackMarker (const juce::String& text, juce::Colour colour) : label (text), headColour (colour)
{
}

void PlaybackMarker::setLineAlignment (int alignment)
{
    if (alignment != lineAlignment)
    {
        lineAlignment = alignment;
        repaint();
    }
}

int PlaybackMarker::headHeightFor (int height)
{
    return (int) std::trunc ((float) height * 0.05909091f); // 13/220
}

int PlaybackMarker::lineLengthFor (int height)
{
    return (int) std::trunc ((float) height * 0.9409091f); // 207/220
}

std::optional<int> PlaybackMarker::lineXFor (int alignment, int width)
{
    switch (alignment)
    {
        case 1: return width / 2;
        case 2: return 0;
        case 3: return width - 1;
        default: return std::nullopt;
    }
}

void PlaybackMarker::mouseEnter (const juce::MouseEvent&)
{
    setMouseCursor (juce::MouseCursor::PointingHandCursor);
    hovered = true;
    repaint();
}

void PlaybackMarker::mouseExit (const juce::MouseEvent&)
{
    setMouseCursor (juce::MouseCursor::NormalCursor);
    hovered = false;
    repaint();
}

void PlaybackMarker::mouseDown (const juce::MouseEvent& e)
{
    setMouseCursor (juce::MouseCursor::DraggingHandCursor);
    dragger.startDraggingComponent (this, e);
}

void PlaybackMarker::mouseDrag (const juce::MouseEvent& e)
{
    dragger.dragComponent (this, e, &constrainer);
}

void PlaybackMarker::mouseUp (const juce::MouseEvent&)
{
    setMouseCursor (juce::MouseCursor::PointingHandCursor);
}

void PlaybackMarker::resized()
{
    // Wholly inside the parent: a marker as high as its parent can only move sideways.
    constrainer.setMinimumOnscreenAmounts (getHeight(), getWidth(), getHeight(), getWidth());
}

void PlaybackMarker::paint (juce::Graphics& g)
{
    const auto width = getWidth(), height = getHeight();
    const auto headHeight = headHeightFor (height);
    const auto colour = headColour.withAlpha (hovered ? 0.9f : 0.7f);

    g.setColour (colour);
    g.fillRoundedRectangle (0.0f, 0.0f, (float) width, (float) headHeight, 2.0f);

    g.setColour (juce::Colours::black);
    g.drawFittedText (label, 0, 1, width, headHeight - 2, juce::Justification::centred, 1, 0.7f);

    if (const auto lineX = lineXFor (lineAlignment, width))
    {
        g.setColour (colour);
        g.fillRect (*lineX, headHeight, 1, lineLengthFor (height));
    }
}
