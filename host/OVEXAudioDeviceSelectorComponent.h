#pragma once

#include "AudioDeviceSettingsPanel.h"

#include <juce_audio_devices/juce_audio_devices.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

class OvexjuceLoudnessAudioProcessor;

/** The audio settings page: a device type choice when the manager offers more than one type, and
    below it the settings panel of the current type. It follows the device manager's broadcasts.
    Message thread only. */
class OVEXAudioDeviceSelectorComponent : public juce::Component,
                                         public juce::ComboBox::Listener,
                                         public juce::ChangeListener
{
public:
    /** The processor may be null; the page then changes devices without touching any routing. */
    OVEXAudioDeviceSelectorComponent (juce::AudioDeviceManager& deviceManager, int minInputChannels, int maxInputChannels,
                                      int minOutputChannels, int maxOutputChannels, bool showChannelsAsStereoPairs,
                                      bool hideAdvancedOptionsWithButton, OvexjuceLoudnessAudioProcessor* processor);
    ~OVEXAudioDeviceSelectorComponent() override;

    /** Replaces the alert for device errors, on the current panel and every later one. */
    void setDeviceErrorReporter (DeviceErrorReporter reporter);

    /** Told of every set-up the user applies on the page (a device, rate, buffer size, channel
        layout or type), working or not. */
    SetupAppliedCallback onSetupApplied;

    void updateAllControls();

    void resized() override;
    void visibilityChanged() override;
    void childBoundsChanged (juce::Component* child) override;
    void comboBoxChanged (juce::ComboBox* box) override;
    void changeListenerCallback (juce::ChangeBroadcaster*) override { updateAllControls(); }

private:
    int typeIndexToShow() const;

    juce::AudioDeviceManager& deviceManager;
    const AudioDeviceSetupDetails setup;
    const bool hideAdvancedOptionsWithButton;
    OvexjuceLoudnessAudioProcessor* const processor;
    const juce::Font font;
    DeviceErrorReporter errorReporter = makeAlertDeviceErrorReporter();

    std::unique_ptr<juce::ComboBox> deviceTypeBox;
    std::unique_ptr<juce::Label> deviceTypeLabel;
    std::unique_ptr<AudioDeviceSettingsPanel> settingsPanel;
    juce::String settingsPanelTypeName;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (OVEXAudioDeviceSelectorComponent)
};
