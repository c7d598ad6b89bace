#pragma once

#include "OVEXCorrelationMeter.h"
#include "OVEXDrawVectorscope.h"
#include "OVEXVectroscope.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <array>

#include <memory>

/** The middle of the meter page: the sound field or the vectorscope with their choices, the 5.1
    and downmix buttons and the six correlation meters. Message thread only. */
class DisplaysPanel : public juce::Component
{
public:
    DisplaysPanel (juce::LookAndFeel& widgetLook, VectorscopeSource& vectorscopeSource);
    ~DisplaysPanel() override;

    void resized() override;

    static constexpr int layoutRadioGroup = 30009;

    OVEXDrawVectorscope soundField;
    OVEXVectroscope vectorscope;

    /** L-R, L-C, R-C, LS-RS, L-LS, R-RS, as the snapshot orders them. */
    std::array<std::unique_ptr<OVEXCorrelationMeter>, 6> correlationMeters;

    std::unique_ptr<juce::DrawableButton> fiveOne, downmix;
    juce::Label displayLabel, channelsLabel, loudnessLabel;
    juce::ComboBox displayBox, channelsBox, loudnessBox;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (DisplaysPanel)
};
