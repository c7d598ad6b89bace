#include "EditorTopBar.h"

#include "EditorFaces.h"
#include "NolvResources.h"

namespace
{
namespace layout
{
const juce::Rectangle<int> playStopOrMeter { 232, 0, 100, 100 };
const juce::Rectangle<int> resetOrAudioSettings { 346, 0, 100, 100 };
const juce::Rectangle<int> settings { 460, 0, 100, 100 };
const juce::Rectangle<int> log { 574, 0, 100, 100 };
const juce::Rectangle<int> logo { 35, 35, 116, 36 };
} // namespace layout
} // namespace

EditorTopBar::EditorTopBar()
{
    using editorFaces::offAndHover;

    playStop = makeImageButton (editorFaces::offHoverAndOn (NolvImageId::playStopOff, NolvImageId::playStopOffHover, NolvImageId::playStopOn), true);
    reset = makeImageButton (offAndHover (NolvImageId::resetOff, NolvImageId::resetHover), false);
    meter = makeImageButton (offAndHover (NolvImageId::meterOff, NolvImageId::meterHover), true, pageRadioGroup);
    audioSettings = makeImageButton (offAndHover (NolvImageId::audioSettingsOff, NolvImageId::audioSettingsHover), true, pageRadioGroup);
    settings = makeImageButton (offAndHover (NolvImageId::settingsOff, NolvImageId::settingsHover), true, pageRadioGroup);
    log = makeImageButton (offAndHover (NolvImageId::logOff, NolvImageId::logHover), true, pageRadioGroup);

    playStop->setComponentID ("playStop");
    reset->setComponentID ("reset");
    meter->setComponentID ("meter");
    audioSettings->setComponentID ("audioSettings");
    settings->setComponentID ("settings");
    log->setComponentID ("log");

    for (auto* button : { playStop.get(), reset.get(), meter.get(), audioSettings.get(), settings.get(), log.get() })
        addAndMakeVisible (button);

    logo.setImage (nolvImage (NolvImageId::logo), juce::RectanglePlacement::stretchToFit);
    addAndMakeVisible (logo);
}

void EditorTopBar::resized()
{
    playStop->setBounds (layout::playStopOrMeter);
    meter->setBounds (layout::playStopOrMeter);
    reset->setBounds (layout::resetOrAudioSettings);
    audioSettings->setBounds (layout::resetOrAudioSettings);
    settings->setBounds (layout::settings);
    log->setBounds (layout::log);
    logo.setBounds (layout::logo);
}
