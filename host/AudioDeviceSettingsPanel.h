#pragma once

#include "ChannelLayout.h"
#include "NolvLookAndFeel.h"

#include <juce_audio_devices/juce_audio_devices.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <array>
#include <functional>
#include <memory>

class OvexjuceLoudnessAudioProcessor;

/** Told of every set-up the user applies on the device page, working or not: the device type and
    the set-up asked for. */
using SetupAppliedCallback = std::function<void (const juce::String& typeName, const juce::AudioDeviceManager::AudioDeviceSetup& asked)>;

/** The device manager and the channel counts the device page was asked for; handed from the
    selector to its panel and on to the drop boxes. */
struct AudioDeviceSetupDetails
{
    juce::AudioDeviceManager* manager = nullptr;
    int minNumInputChannels = 0;
    int maxNumInputChannels = 0;
    int minNumOutputChannels = 0;
    int maxNumOutputChannels = 0;
    bool useStereoPairs = false;

    /** The selector's callback, which outlives its panels; null for none. */
    const SetupAppliedCallback* onSetupApplied = nullptr;
};

/** Applies a set-up chosen on the page to the manager as the user's choice, and tells the page's
    callback. The manager's error, empty when it worked. */
juce::String applyChosenSetup (const AudioDeviceSetupDetails& setup, const juce::AudioDeviceManager::AudioDeviceSetup& chosen);

/** Shows a device error to the user: a title and the manager's or the back-end's text. */
using DeviceErrorReporter = std::function<void (const juce::String& title, const juce::String& message)>;

/** The title of every device error the page reports. */
inline const char* const deviceErrorTitle = "Error when trying to open audio device!";

/** The asynchronous warning alert the page uses unless a reporter is installed. */
DeviceErrorReporter makeAlertDeviceErrorReporter();

/** The device channels a layout takes up: its entries that name one of the device's numChannels
    channels. */
juce::BigInteger channelsTakenBy (const ChannelLayout& layout, int numChannels);

/** The body of the audio settings page for one device type: device, sample-rate and buffer-size
    boxes and one channel drop box per side. Every choice is applied to the device manager at once;
    the manager's change broadcasts bring the controls back in line. Message thread only. */
class AudioDeviceSettingsPanel : public juce::Component,
                                 public juce::ChangeListener,
                                 public juce::ComboBox::Listener
{
public:
    class OVEXChannelSelectorDropBox;

    AudioDeviceSettingsPanel (juce::AudioIODeviceType& type, const AudioDeviceSetupDetails& setup,
                              bool hideAdvancedOptionsWithButton, OvexjuceLoudnessAudioProcessor* processor,
                              const juce::Font& font);
    ~AudioDeviceSettingsPanel() override;

    /** Replaces the alert for device errors, on this panel and its drop boxes. */
    void setDeviceErrorReporter (DeviceErrorReporter reporter);

    void updateAllControls();

    /** Asks the type for its devices again (a JACK server may have started since) and shows them. */
    void rescanDevices();

    /** The lowest bottom edge among the children; 0 without children. */
    int getLowestY() const;

    void resized() override;
    void comboBoxChanged (juce::ComboBox* box) override;
    void changeListenerCallback (juce::ChangeBroadcaster*) override { updateAllControls(); }

private:
    void updateOutputsComboBox();
    void updateInputsComboBox();
    void updateSampleRateComboBox (juce::AudioIODevice& device);
    void updateBufferSizeComboBox (juce::AudioIODevice& device);
    void addNamesToDeviceBox (juce::ComboBox& box, bool isInput);
    void showCorrectDeviceName (juce::ComboBox* box, bool isInput);
    void updateDropBox (std::unique_ptr<OVEXChannelSelectorDropBox>& dropBox, int side);
    std::unique_ptr<juce::ComboBox> makeBox();
    std::unique_ptr<juce::Label> makeLabel (const juce::String& text, juce::ComboBox& box, const juce::Font* font);
    void reportError (const juce::String& error) const;

    juce::AudioIODeviceType& type;
    const AudioDeviceSetupDetails setup;
    OvexjuceLoudnessAudioProcessor* const processor;
    const juce::Font font;
    DeviceErrorReporter errorReporter = makeAlertDeviceErrorReporter();

    // Declared before every box it draws, so that it outlives them.
    NolvLookAndFeel lookAndFeel;

    std::unique_ptr<juce::ComboBox> outputDeviceBox, inputDeviceBox, sampleRateBox, bufferSizeBox;
    std::unique_ptr<juce::Label> outputDeviceLabel, inputDeviceLabel, sampleRateLabel, bufferSizeLabel;
    std::unique_ptr<OVEXChannelSelectorDropBox> inputDropBox, outputDropBox;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (AudioDeviceSettingsPanel)
};

/** Six role boxes that choose the device channel of each channel role on one side. A channel taken
    by one role is greyed out in the others. Every change goes to the processor as its layout and to
    the device, which then has exactly the assigned channels active. Message thread only. */
class AudioDeviceSettingsPanel::OVEXChannelSelectorDropBox : public juce::Component,
                                                             public juce::ComboBox::Listener,
                                                             private juce::AsyncUpdater
{
public:
    enum ChannelType
    {
        input = 0,
        output = 1
    };

    OVEXChannelSelectorDropBox (const AudioDeviceSetupDetails& setup, ChannelType side,
                                OvexjuceLoudnessAudioProcessor* processor, const juce::Font& font);
    ~OVEXChannelSelectorDropBox() override;

    void setDeviceErrorReporter (DeviceErrorReporter reporter) { errorReporter = std::move (reporter); }

    /** Reloads the channel names and the processor's layout into the boxes; what they then show
        is applied once the message loop turns, so a stored layout reaches the device at start-up. */
    void refill();

    void resized() override { layoutBoxes(); }
    void comboBoxChanged (juce::ComboBox* box) override;

    /** The next refill applies its layout even if the device seems the same: another device whose
        channels are named alike was chosen. */
    void applyAtNextRefill() { deviceLastApplied.clear(); }

private:
    void handleAsyncUpdate() override { applyBoxSelections(); }

    void applyBoxSelections();
    void layoutBoxes();
    void enableAllItems (juce::ComboBox& box);
    void excludeTakenChannels();
    void pushLayoutToProcessor();
    void applyLayoutToDevice();

    const AudioDeviceSetupDetails setup;
    const ChannelType side;
    OvexjuceLoudnessAudioProcessor* const processor;
    const juce::Font font;
    DeviceErrorReporter errorReporter = makeAlertDeviceErrorReporter();
    ChannelLayout layout { 0, 1, 2, 3, 4, 5 };
    juce::StringArray channelNames;
    juce::String deviceLastApplied;

    NolvLookAndFeel lookAndFeel;
    std::array<std::unique_ptr<juce::ComboBox>, 6> roleBoxes;
    std::array<std::unique_ptr<juce::Label>, 6> roleLabels;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (OVEXChannelSelectorDropBox)
};
