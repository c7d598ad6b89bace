#include "OVEXAudioDeviceSelectorComponent.h"

namespace
{
constexpr int typeBoxY = 15;
constexpr int typeBoxHeight = 24;
constexpr int panelYBelowTypeBox = 57;
} // namespace

OVEXAudioDeviceSelectorComponent::OVEXAudioDeviceSelectorComponent (juce::AudioDeviceManager& manager, int minInputChannels,
                                                                    int maxInputChannels, int minOutputChannels,
                                                                    int maxOutputChannels, bool showChannelsAsStereoPairs,
                                                                    bool hideAdvanced, OvexjuceLoudnessAudioProcessor* processorToUse)
    : deviceManager (manager),
      setup { &manager, minInputChannels, maxInputChannels, minOutputChannels, maxOutputChannels, showChannelsAsStereoPairs,
              &onSetupApplied },
      hideAdvancedOptionsWithButton (hideAdvanced), processor (processorToUse)
{
    const auto& types = deviceManager.getAvailableDeviceTypes();

    if (types.size() >= 2)
    {
        deviceTypeBox = std::make_unique<juce::ComboBox>();

        for (int i = 0; i < types.size(); ++i)
            deviceTypeBox->addItem (types.getUnchecked (i)->getTypeName(), i + 1);

        addAndMakeVisible (*deviceTypeBox);
        deviceTypeBox->addListener (this);

        deviceTypeLabel = std::make_unique<juce::Label> (juce::String(), TRANS ("Audio device type:"));
        deviceTypeLabel->setFont (font);
        deviceTypeLabel->setJustificationType (juce::Justification::centredRight);
        deviceTypeLabel->attachToComponent (deviceTypeBox.get(), true);
    }

    deviceManager.addChangeListener (this);
    updateAllControls();
}

OVEXAudioDeviceSelectorComponent::~OVEXAudioDeviceSelectorComponent()
{
    deviceManager.removeChangeListener (this);
    settingsPanel.reset();
    deviceTypeLabel.reset();
    deviceTypeBox.reset();
}

void OVEXAudioDeviceSelectorComponent::setDeviceErrorReporter (DeviceErrorReporter reporter)
{
    errorReporter = std::move (reporter);

    if (settingsPanel != nullptr)
        settingsPanel->setDeviceErrorReporter (errorReporter);
}

/** The manager's type, or while it has none (no device could be opened) the first type that has
    devices, or else the first: the page always offers something to choose from. */
int OVEXAudioDeviceSelectorComponent::typeIndexToShow() const
{
    const auto& types = deviceManager.getAvailableDeviceTypes();

    for (int i = 0; i < types.size(); ++i)
        if (types.getUnchecked (i)->getTypeName() == deviceManager.getCurrentAudioDeviceType())
            return i;

    for (int i = 0; i < types.size(); ++i)
    {
        auto* type = types.getUnchecked (i);
        type->scanForDevices();

        if (! type->getDeviceNames (false).isEmpty() || ! type->getDeviceNames (true).isEmpty())
            return i;
    }

    return 0;
}

void OVEXAudioDeviceSelectorComponent::updateAllControls()
{
    const auto& types = deviceManager.getAvailableDeviceTypes();
    const int typeIndex = typeIndexToShow();
    const auto typeName = juce::isPositiveAndBelow (typeIndex, types.size()) ? types.getUnchecked (typeIndex)->getTypeName() : juce::String();

    if (deviceTypeBox != nullptr)
        deviceTypeBox->setSelectedId (typeIndex + 1, juce::dontSendNotification);

    if (settingsPanel == nullptr || settingsPanelTypeName != typeName)
    {
        settingsPanelTypeName = typeName;
        settingsPanel.reset();

        if (juce::isPositiveAndBelow (typeIndex, types.size()))
        {
            settingsPanel = std::make_unique<AudioDeviceSettingsPanel> (*types.getUnchecked (typeIndex), setup,
                                                                        hideAdvancedOptionsWithButton, processor, font);
            settingsPanel->setDeviceErrorReporter (errorReporter);
            addAndMakeVisible (*settingsPanel);
        }
    }

    resized();
}

void OVEXAudioDeviceSelectorComponent::resized()
{
    if (deviceTypeBox != nullptr)
        deviceTypeBox->setBounds (proportionOfWidth (0.35f), typeBoxY, proportionOfWidth (0.3f), typeBoxHeight);

    if (settingsPanel != nullptr)
        settingsPanel->setBounds (0, deviceTypeBox != nullptr ? panelYBelowTypeBox : typeBoxY, getWidth(),
                                  settingsPanel->getHeight());
}

void OVEXAudioDeviceSelectorComponent::visibilityChanged()
{
    // Devices that appeared since the panel was made (a JACK server started after the program)
    // are offered without switching the type away and back.
    if (isVisible() && settingsPanel != nullptr)
        settingsPanel->rescanDevices();
}

void OVEXAudioDeviceSelectorComponent::childBoundsChanged (juce::Component* child)
{
    if (child == settingsPanel.get())
        resized();
}

void OVEXAudioDeviceSelectorComponent::comboBoxChanged (juce::ComboBox* box)
{
    if (box == nullptr || box != deviceTypeBox.get())
        return;

    const auto& types = deviceManager.getAvailableDeviceTypes();
    const int typeIndex = box->getSelectedId() - 1;

    if (! juce::isPositiveAndBelow (typeIndex, types.size()))
        return;

    const auto typeName = types.getUnchecked (typeIndex)->getTypeName();
    const bool changes = typeName != deviceManager.getCurrentAudioDeviceType();
    settingsPanel.reset();
    deviceManager.setCurrentAudioDeviceType (typeName, true);

    if (changes && onSetupApplied != nullptr)
        onSetupApplied (typeName, deviceManager.getAudioDeviceSetup());

    updateAllControls();
}
