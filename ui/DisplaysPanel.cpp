#include "DisplaysPanel.h"

#include "EditorFaces.h"
#include "NolvColours.h"
#include "NolvResources.h"

namespace
{
namespace layout
{
const juce::Rectangle<int> soundField { 9, 15, 283, 283 };
const juce::Rectangle<int> vectorscope { 9, 6, 283, 283 };
const juce::Rectangle<int> fiveOne { 7, 528, 124, 60 };
const juce::Rectangle<int> downmix { 166, 528, 124, 60 };

const juce::Rectangle<int> displayLabel { 4, 302, 120, 16 }, displayBox { 67, 304, 93, 14 };
const juce::Rectangle<int> channelsLabel { 166, 302, 120, 16 }, channelsBox { 229, 304, 60, 14 };
const juce::Rectangle<int> loudnessLabel { 4, 327, 120, 16 }, loudnessBox { 67, 329, 93, 14 };
} // namespace layout
} // namespace

DisplaysPanel::DisplaysPanel (juce::LookAndFeel& widgetLook)
{
    fiveOne = makeImageButton (editorFaces::offOnAndDisabled (NolvImageId::fiveOneOff, NolvImageId::fiveOneOn, NolvImageId::fiveOneDisabled), true, layoutRadioGroup);
    downmix = makeImageButton (editorFaces::offOnAndDisabled (NolvImageId::downmixOff, NolvImageId::downmixOn, NolvImageId::downmixDisabled), true, layoutRadioGroup);
    addAndMakeVisible (*fiveOne);
    addAndMakeVisible (*downmix);

    const auto addLabel = [this] (juce::Label& label, const char* text, juce::Colour colour)
    {
        styleLabel (label, nolvFont (14.0f), juce::Justification::centredLeft, colour);
        label.setText (text, juce::dontSendNotification);
        addAndMakeVisible (label);
    };

    addLabel (displayLabel, "Display:", nolvColours::text);
    addLabel (channelsLabel, "Channels:", nolvColours::inactiveCaption);
    addLabel (loudnessLabel, "Loudness:", nolvColours::text);

    displayBox.addItem ("Sound Field", 1);
    displayBox.addItem ("Vectorscope", 2);
    channelsBox.addItem ("L/R", 1);
    channelsBox.addItem ("L/LS", 2);
    channelsBox.addItem ("R/RS", 3);
    loudnessBox.addItem ("True Peak", 1);
    loudnessBox.addItem ("Mom. Loudness", 2);

    for (auto* box : { &displayBox, &channelsBox, &loudnessBox })
    {
        styleComboBox (*box, widgetLook);
        addAndMakeVisible (*box);
    }

    channelsBox.setEnabled (false);
}

DisplaysPanel::~DisplaysPanel()
{
    for (auto* box : { &displayBox, &channelsBox, &loudnessBox })
        box->setLookAndFeel (nullptr);
}

void DisplaysPanel::resized()
{
    fiveOne->setBounds (layout::fiveOne);
    downmix->setBounds (layout::downmix);
    displayLabel.setBounds (layout::displayLabel);
    displayBox.setBounds (layout::displayBox);
    channelsLabel.setBounds (layout::channelsLabel);
    channelsBox.setBounds (layout::channelsBox);
    loudnessLabel.setBounds (layout::loudnessLabel);
    loudnessBox.setBounds (layout::loudnessBox);
}
