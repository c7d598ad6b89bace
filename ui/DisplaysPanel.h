#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

/** The middle of the meter page: the sound field or the vectorscope with their choices, the 5.1
    and downmix buttons and the six correlation meters. Message thread only. */
class DisplaysPanel : public juce::Component
{
public:
    explicit DisplaysPanel (juce::LookAndFeel& widgetLook);
    ~DisplaysPanel() override;

    void resized() override;

    static constexpr int layoutRadioGroup = 30009;

    std::unique_ptr<juce::DrawableButton> fiveOne, downmix;
    juce::Label displayLabel, channelsLabel, loudnessLabel;
    juce::ComboBox displayBox, channelsBox, loudnessBox;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (DisplaysPanel)
};
