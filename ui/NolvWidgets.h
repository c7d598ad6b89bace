#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

/** The styling every interface page shares, written once: combo boxes, text fields, bar sliders,
    labels and image buttons in the palette's colours. Message thread only. */

/** The faces of an image button, slot by slot as DrawableButton::setImages takes them; an empty
    image leaves its slot empty. */
struct ButtonFaces
{
    juce::Image normal, over, down, disabled;
    juce::Image normalOn, overOn, downOn, disabledOn;
};

/** An image button showing its faces at their own pixel size: no edge indent (the default of 3
    would scale a 100 x 100 face to 94 x 94) and no frame behind a button that is on. A radio group
    of 0 means none. */
std::unique_ptr<juce::DrawableButton> makeImageButton (const ButtonFaces& faces, bool isToggle, int radioGroup = 0);

/** Replaces the faces of an existing image button, as a caption swap needs. */
void setButtonFaces (juce::DrawableButton& button, const ButtonFaces& faces);

void styleComboBox (juce::ComboBox& box, juce::LookAndFeel& lookAndFeel);
void styleTextField (juce::TextEditor& field);
void styleBarSlider (juce::Slider& slider, juce::LookAndFeel& lookAndFeel, bool editableText);
void styleLabel (juce::Label& label, const juce::Font& font, juce::Justification justification,
                 juce::Colour colour = juce::Colours::white);
