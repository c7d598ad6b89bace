#include "NolvLookAndFeel.h"

juce::Colour NolvLookAndFeel::createBaseColour (juce::Colour buttonColour, bool hasKeyboardFocus,
                                                bool isMouseOverButton, bool isButtonDown)
{
    const auto baseColour = buttonColour.withMultipliedSaturation (hasKeyboardFocus ? 1.3f : 0.9f);

    if (isButtonDown)
        return baseColour.contrasting (0.2f);

    if (isMouseOverButton)
        return baseColour.contrasting (0.1f);

    return baseColour;
}

void NolvLookAndFeel::drawShinyButtonShape (juce::Graphics& g, float x, float y, float w, float h,
                                            float maxCornerSize, juce::Colour baseColour, float strokeWidth,
                                            bool flatOnLeft, bool flatOnRight, bool flatOnTop, bool flatOnBottom)
{
    if (w <= strokeWidth * 1.1f || h <= strokeWidth * 1.1f)
        return;

    const auto cornerSize = juce::jmin (maxCornerSize, w * 0.5f, h * 0.5f);

    juce::Path outline;
    outline.addRoundedRectangle (x, y, w, h, cornerSize, cornerSize,
                                 ! (flatOnLeft || flatOnTop),
                                 ! (flatOnRight || flatOnTop),
                                 ! (flatOnLeft || flatOnBottom),
                                 ! (flatOnRight || flatOnBottom));

    g.setColour (baseColour);
    g.fillPath (outline);

    g.setColour (juce::Colour (0x80000000));
    g.strokePath (outline, juce::PathStrokeType (strokeWidth));
}

void NolvLookAndFeel::drawComboBox (juce::Graphics& g, int width, int height, bool isButtonDown, int buttonX,
                                    int buttonY, int buttonW, int buttonH, juce::ComboBox& box)
{
    g.fillAll (box.findColour (juce::ComboBox::backgroundColourId));

    const bool enabled = box.isEnabled();

    if (enabled && box.hasKeyboardFocus (false))
    {
        g.setColour (box.findColour (juce::ComboBox::buttonColourId));
        g.drawRect (0, 0, width, height, 2);
    }
    else
    {
        g.setColour (box.findColour (juce::ComboBox::outlineColourId));
        g.drawRect (0, 0, width, height);
    }

    const float inset = ! enabled ? 0.3f : (isButtonDown ? 1.2f : 0.5f);

    g.setColour (box.findColour (juce::ComboBox::buttonColourId));
    g.fillRect ((float) buttonX + inset, (float) buttonY + inset,
                (float) buttonW - 2.0f * inset, (float) buttonH - 2.0f * inset);

    if (! enabled)
        return;

    const auto at = [&] (float fx, float fy)
    {
        return juce::Point<float> ((float) buttonX + fx * (float) buttonW, (float) buttonY + fy * (float) buttonH);
    };

    juce::Path arrows;
    arrows.addTriangle (at (0.5f, 0.25f), at (0.7f, 0.45f), at (0.3f, 0.45f));
    arrows.addTriangle (at (0.5f, 0.75f), at (0.7f, 0.55f), at (0.3f, 0.55f));

    g.setColour (box.findColour (juce::ComboBox::arrowColourId));
    g.fillPath (arrows);
}

void NolvLookAndFeel::drawLinearSlider (juce::Graphics& g, int x, int y, int width, int height, float sliderPos,
                                        float minSliderPos, float maxSliderPos, juce::Slider::SliderStyle style,
                                        juce::Slider& slider)
{
    g.fillAll (slider.findColour (juce::Slider::backgroundColourId));

    if (style != juce::Slider::LinearBar && style != juce::Slider::LinearBarVertical)
    {
        drawLinearSliderBackground (g, x, y, width, height, sliderPos, minSliderPos, maxSliderPos, style, slider);
        drawLinearSliderThumb (g, x, y, width, height, sliderPos, minSliderPos, maxSliderPos, style, slider);
        return;
    }

    const bool enabled = slider.isEnabled();
    const bool over = slider.isMouseOverOrDragging() && enabled;
    const auto colour = createBaseColour (slider.findColour (juce::Slider::thumbColourId)
                                              .withMultipliedSaturation (enabled ? 1.0f : 0.5f),
                                          false, over, over || slider.isMouseButtonDown());
    const float strokeWidth = enabled ? 0.9f : 0.3f;

    if (style == juce::Slider::LinearBarVertical)
        drawShinyButtonShape (g, (float) x, sliderPos, (float) width, (float) height - sliderPos, 0.0f, colour,
                              strokeWidth, true, true, true, true);
    else
        drawShinyButtonShape (g, (float) x, (float) y, sliderPos - (float) x, (float) height, 0.0f, colour,
                              strokeWidth, true, true, true, true);
}

void NolvLookAndFeel::drawLinearSliderBackground (juce::Graphics& g, int x, int y, int width, int height,
                                                  float sliderPos, float minSliderPos, float maxSliderPos,
                                                  juce::Slider::SliderStyle style, juce::Slider& slider)
{
    juce::LookAndFeel_V2::drawLinearSliderBackground (g, x, y, width, height, sliderPos, minSliderPos, maxSliderPos,
                                                      style, slider);
}

void NolvLookAndFeel::drawLinearSliderThumb (juce::Graphics& g, int x, int y, int width, int height,
                                             float sliderPos, float minSliderPos, float maxSliderPos,
                                             juce::Slider::SliderStyle style, juce::Slider& slider)
{
    juce::Logger::writeToLog ("sliderPos:" + juce::String (sliderPos) + "min:" + juce::String (minSliderPos)
                              + "max:" + juce::String (maxSliderPos));

    juce::LookAndFeel_V2::drawLinearSliderThumb (g, x, y, width, height, sliderPos, minSliderPos, maxSliderPos,
                                                 style, slider);
}
