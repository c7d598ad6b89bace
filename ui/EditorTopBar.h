#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

/** The bar above every page: PLAY/STOP and RESET, which share their places with METER and AUDIO
    SETTINGS, SETTINGS, LOG and the logo. The editor listens to the buttons and decides which show.
    Message thread only. */
class EditorTopBar : public juce::Component
{
public:
    EditorTopBar();

    void resized() override;

    static constexpr int pageRadioGroup = 73333;

    std::unique_ptr<juce::DrawableButton> playStop, reset, meter, audioSettings, settings, log;
    juce::ImageComponent logo;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (EditorTopBar)
};
