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

const struct
{
    const char *nameA, *nameB;
    juce::Rectangle<int> bounds;
    int scaleMode;
    float releaseSeconds;
} correlationLayout[6] {
    { "L", "R", { 4, 355, 292, 37 }, 2, 0.0002f },   { "L", "C", { 4, 390, 130, 37 }, 1, 0.0002f },
    { "R", "C", { 166, 390, 130, 37 }, 1, 0.0002f }, { "Ls", "Rs", { 4, 425, 292, 37 }, 2, 0.0004f },
    { "L", "Ls", { 4, 460, 130, 37 }, 1, 0.0002f },  { "R", "Rs", { 166, 460, 130, 37 }, 1, 0.0002f },
};
} // namespace

DisplaysPanel::DisplaysPanel (juce::LookAndFeel& widgetLook, VectorscopeSource& vectorscopeSource)
    : soundField (layout::soundField.getWidth(), nolvColours::background, nolvColours::whiteSmoke, nolvColours::green,
                  nolvColours::red, nolvColours::blue, nolvFont (9.0f)),
      vectorscope (&vectorscopeSource, nolvColours::green, nolvColours::text, nolvColours::background, false)
{
    soundField.setAttackTime (0.0001f);
    soundField.setReleaseTime (0.0002f);
    addAndMakeVisible (soundField);

    vectorscope.setLeftChannel ("L");
    vectorscope.setRightChannel ("R");
    addChildComponent (vectorscope);

    for (size_t i = 0; i < correlationMeters.size(); ++i)
    {
        const auto& c = correlationLayout[i];
        auto& meter = correlationMeters[i];
        meter = std::make_unique<OVEXCorrelationMeter> (c.bounds.getWidth(), c.bounds.getHeight(), nolvColours::background,
                                                        nolvColours::pureRed, nolvColours::green, nolvColours::yellow,
                                                        nolvColours::frame, nolvFont (9.0f), c.nameA, c.nameB);
        meter->setScaleMode (c.scaleMode);
        meter->setAttackTime (0.0001f);
        meter->setReleaseTime (c.releaseSeconds);
        addAndMakeVisible (*meter);
    }

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
    soundField.setBounds (layout::soundField);
    vectorscope.setBounds (layout::vectorscope);

    for (size_t i = 0; i < correlationMeters.size(); ++i)
        correlationMeters[i]->setBounds (correlationLayout[i].bounds);

    fiveOne->setBounds (layout::fiveOne);
    downmix->setBounds (layout::downmix);
    displayLabel.setBounds (layout::displayLabel);
    displayBox.setBounds (layout::displayBox);
    channelsLabel.setBounds (layout::channelsLabel);
    channelsBox.setBounds (layout::channelsBox);
    loudnessLabel.setBounds (layout::loudnessLabel);
    loudnessBox.setBounds (layout::loudnessBox);
}
