#include "NolvWidgets.h"

#include "NolvColours.h"

namespace
{
std::unique_ptr<juce::Drawable> drawableOf (const juce::Image& image)
{
    if (! image.isValid())
        return nullptr;

    auto drawable = std::make_unique<juce::DrawableImage>();
    drawable->setImage (image);
    return drawable;
}
} // namespace

void setButtonFaces (juce::DrawableButton& button, const ButtonFaces& faces)
{
    const auto normal = drawableOf (faces.normal), over = drawableOf (faces.over), down = drawableOf (faces.down),
               disabled = drawableOf (faces.disabled), normalOn = drawableOf (faces.normalOn),
               overOn = drawableOf (faces.overOn), downOn = drawableOf (faces.downOn),
               disabledOn = drawableOf (faces.disabledOn);

    button.setImages (normal.get(), over.get(), down.get(), disabled.get(), normalOn.get(), overOn.get(),
                      downOn.get(), disabledOn.get());
}

std::unique_ptr<juce::DrawableButton> makeImageButton (const ButtonFaces& faces, bool isToggle, int radioGroup)
{
    auto button = std::make_unique<juce::DrawableButton> (juce::String(), juce::DrawableButton::ImageFitted);
    button->setEdgeIndent (0);
    button->setColour (juce::DrawableButton::backgroundOnColourId, juce::Colours::transparentBlack);
    button->setClickingTogglesState (isToggle);

    if (radioGroup != 0)
        button->setRadioGroupId (radioGroup);

    setButtonFaces (*button, faces);
    return button;
}

void styleComboBox (juce::ComboBox& box, juce::LookAndFeel& lookAndFeel)
{
    box.setLookAndFeel (&lookAndFeel);
    box.setColour (juce::ComboBox::backgroundColourId, nolvColours::fieldBackground);
    box.setColour (juce::ComboBox::outlineColourId, nolvColours::control);
    box.setColour (juce::ComboBox::buttonColourId, nolvColours::control);
    box.setColour (juce::ComboBox::arrowColourId, nolvColours::comboArrow);
}

void styleTextField (juce::TextEditor& field)
{
    field.setColour (juce::TextEditor::backgroundColourId, nolvColours::fieldBackground);
    field.setColour (juce::TextEditor::outlineColourId, nolvColours::frame);
    field.setColour (juce::TextEditor::focusedOutlineColourId, nolvColours::frame);
    field.setColour (juce::TextEditor::textColourId, juce::Colours::black);
    field.applyColourToAllText (juce::Colours::black);
}

void styleBarSlider (juce::Slider& slider, juce::LookAndFeel& lookAndFeel, bool editableText)
{
    slider.setLookAndFeel (&lookAndFeel);
    slider.setSliderStyle (juce::Slider::LinearBar);
    slider.setTextBoxIsEditable (editableText);
    slider.setColour (juce::Slider::backgroundColourId, nolvColours::control);
    slider.setColour (juce::Slider::thumbColourId, nolvColours::sliderBar);
    slider.setColour (juce::Slider::textBoxTextColourId, nolvColours::text);
}

void styleLabel (juce::Label& label, const juce::Font& font, juce::Justification justification, juce::Colour colour)
{
    label.setFont (font);
    label.setJustificationType (justification);
    label.setColour (juce::Label::textColourId, colour);
}
