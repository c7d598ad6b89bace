#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** The interface's flat combo boxes and bar sliders. Each owner keeps its own instance, declared
    before the widgets it is attached to; it is never the application default. Message thread only. */
class NolvLookAndFeel : public juce::LookAndFeel_V2
{
public:
    NolvLookAndFeel() = default;
    ~NolvLookAndFeel() override = default;

    void drawComboBox (juce::Graphics& g, int width, int height, bool isButtonDown, int buttonX, int buttonY,
                       int buttonW, int buttonH, juce::ComboBox& box) override;

    void drawLinearSlider (juce::Graphics& g, int x, int y, int width, int height, float sliderPos,
                           float minSliderPos, float maxSliderPos, juce::Slider::SliderStyle style,
                           juce::Slider& slider) override;

    void drawLinearSliderBackground (juce::Graphics& g, int x, int y, int width, int height, float sliderPos,
                                     float minSliderPos, float maxSliderPos, juce::Slider::SliderStyle style,
                                     juce::Slider& slider) override;

    void drawLinearSliderThumb (juce::Graphics& g, int x, int y, int width, int height, float sliderPos,
                                float minSliderPos, float maxSliderPos, juce::Slider::SliderStyle style,
                                juce::Slider& slider) override;

private:
    static juce::Colour createBaseColour (juce::Colour buttonColour, bool hasKeyboardFocus, bool isMouseOverButton,
                                          bool isButtonDown);

    static void drawShinyButtonShape (juce::Graphics& g, float x, float y, float w, float h, float maxCornerSize,
                                      juce::Colour baseColour, float strokeWidth, bool flatOnLeft,
                                      bool flatOnRight, bool flatOnTop, bool flatOnBottom);

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (NolvLookAndFeel)
};
