#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** The loudness-range bar: the foreground image shown only between a low and a high bar fraction,
    over the background image. The owner smooths the fractions; this only clamps and draws them.
    Opaque when its background covers it with opaque pixels. Message thread only. */
class OVEXJuceLRVU : public juce::Component
{
public:
    OVEXJuceLRVU (juce::Image background, juce::Image foreground);

    /** Each bound is clamped to 0..1; a non-finite bound keeps its value. The two are not ordered:
        a high bound at or below the low one shows no strip. */
    void setRange (float newLow, float newHigh);

    void setBoundsAndRepaint (juce::Rectangle<int> newBounds);

    float getLow() const { return low; }
    float getHigh() const { return high; }

    void paint (juce::Graphics& g) override;
    void resized() override;

private:
    juce::Range<int> stripRows() const;

    float low = 0.0f;
    float high = 0.0f;
    juce::Image backgroundImage, foregroundImage;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (OVEXJuceLRVU)
};
