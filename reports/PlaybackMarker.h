#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <optional>

/** A draggable range marker: a rounded head with a one-letter label over a thin vertical line. It
    only moves itself, inside its parent; its owner follows it as a component listener. Message
    thread only. */
class PlaybackMarker : public juce::Component
{
public:
    PlaybackMarker (const juce::String& label, juce::Colour headColour);

    /** 1 draws the line in the middle, 2 at the left edge, 3 at the right edge; anything else none. */
    void setLineAlignment (int alignment);

    /** The head's height and the line's length for a marker of the given height. */
    static int headHeightFor (int height);
    static int lineLengthFor (int height);

    /** Where the line stands in a marker of the given width, or nothing for an alignment without one. */
    static std::optional<int> lineXFor (int alignment, int width);

    void mouseEnter (const juce::MouseEvent&) override;
    void mouseExit (const juce::MouseEvent&) override;
    void mouseDown (const juce::MouseEvent&) override;
    void mouseDrag (const juce::MouseEvent&) override;
    void mouseUp (const juce::MouseEvent&) override;
    void paint (juce::Graphics&) override;
    void resized() override;

private:
    juce::ComponentDragger dragger;
    juce::ComponentBoundsConstrainer constrainer;
    bool hovered = false;
    int lineAlignment = 1;
    juce::String label;
    juce::Colour headColour;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (PlaybackMarker)
};
