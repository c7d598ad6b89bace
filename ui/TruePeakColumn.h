#pragma once

#include "OVEXJuceVU.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <array>
#include <memory>

/** The six channel true-peak bars with their alarm LEDs and held-maximum read-outs, on the
    background of the chosen reference level. Message thread only. */
class TruePeakColumn : public juce::Component
{
public:
    TruePeakColumn();

    void resized() override;

    /** Shows a background image; the same image again changes nothing. */
    void showBackground (const juce::Image& background);

    juce::ImageComponent background;
    std::array<std::unique_ptr<OVEXJuceVU>, 6> bars;
    std::array<std::unique_ptr<juce::DrawableButton>, 6> leds;
    std::array<juce::Label, 6> values, names;

private:
    std::array<juce::ImageComponent, 6> boxes;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (TruePeakColumn)
};
