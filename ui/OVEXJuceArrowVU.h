#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** The short-term arrow: an arrow image whose middle row marks a bar fraction on a scale image.
    The owner smooths the value; this only clamps and draws it. Opaque when the scale covers it
    with opaque pixels. Message thread only. */
class OVEXJuceArrowVU : public juce::Component
{
public:
    OVEXJuceArrowVU (juce::Image scale, juce::Image arrow);

    /** Clamped to 0..1; a non-finite value keeps the current one. */
    void setValue (float newValue);

    void setBoundsAndRepaint (juce::Rectangle<int> newBounds);

    /** Replaces the scale image drawn under the arrow. */
    void setBackground (const juce::Image& background);

    float getValue() const { return value; }

    void paint (juce::Graphics& g) override;
    void resized() override;

private:
    juce::Rectangle<int> arrowArea() const;

    float value = 0.0f;
    juce::Image backgroundImage, arrowImage;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (OVEXJuceArrowVU)
};
