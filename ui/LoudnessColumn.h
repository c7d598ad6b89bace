#pragma once

#include "OVEXJuceArrowVU.h"
#include "OVEXJuceLRVU.h"
#include "OVEXJuceVU.h"

#include <juce_gui_basics/juce_gui_basics.h>

/** The loudness bars at the left of the meter page: the scale of the chosen standard, scale and
    unit, the momentary bar, the loudness-range bar and the short-term arrow. Message thread only. */
class LoudnessColumn : public juce::Component
{
public:
    LoudnessColumn();

    void resized() override;

    /** Shows a scale image; the same image again changes nothing. */
    void showScale (const juce::Image& scale);

    juce::ImageComponent scaleHolder;
    OVEXJuceVU momentaryBar;
    OVEXJuceLRVU rangeBar;
    OVEXJuceArrowVU arrow;

private:
    void handArrowItsBackground();

    const juce::Image arrowScale;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (LoudnessColumn)
};
