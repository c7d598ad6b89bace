#include "AudioDeviceSettingsPanel.h"

#include "ChannelRole.h"
#include "LostAudioDevice.h"
#include "NolvWidgets.h"
#include "OvexjuceLoudnessAudioProcessor.h"

#include <algorithm>

namespace
{
constexpr int rowHeight = 24;
constexpr int rowStep = 30;
constexpr int firstRowY = 100;
constexpr int dropBoxHeight = 240;

juce::Font labelFontFrom (const juce::Font& font)
{
    return font.withHeight (18.0f).withStyle (juce::Font::plain).withHorizontalScale (1.0f).withExtraKerningFactor (0.0f);
}

/** The device the page works on: a device its back-end has lost counts as none, so that nothing
    is applied to it until it is opened again. */
juce::AudioIODevice* currentDevice (const AudioDeviceSetupDetails& setup)
{
    if (setup.manager == nullptr || hasLostItsDevice (*setup.manager))
        return nullptr;

    return setup.manager->getCurrentAudioDevice();
}

/** "512 samples (11.6 ms)": a buffer size with its duration, at 48 kHz when the device does not
    tell its rate. */
juce::String bufferSizeText (int samples, double sampleRate)
{
    const double rate = sampleRate > 0.0 ? sampleRate : 48000.0;
    return juce::String (samples) + " samples (" + juce::String (samples * 1000.0 / rate, 1) + " ms)";
}

/** The role box item showing a stored layout entry: its channel, "none" for -1, and no item at all
    for anything the device lacks (a restored layout may name any channel). */
int roleBoxItemIdFor (int layoutEntry, int numChannels)
{
    if (layoutEntry == -1)
        return -1;

    return layoutEntry >= 0 && layoutEntry < numChannels ? layoutEntry + 1 : 0;
}
} // namespace

DeviceErrorReporter makeAlertDeviceErrorReporter()
{
    return [] (const juce::String& title, const juce::String& message)
    {
        juce::AlertWindow::showMessageBoxAsync (juce::MessageBoxIconType::WarningIcon, title, message);
    };
}

juce::BigInteger channelsTakenBy (const ChannelLayout& layout, int numChannels)
{
    juce::BigInteger channels;

    for (const auto channel : layout)
        if (channel >= 0 && channel < numChannels)
            channels.setBit (channel);

    return channels;
}

juce::String applyChosenSetup (const AudioDeviceSetupDetails& setup, const juce::AudioDeviceManager::AudioDeviceSetup& chosen)
{
    auto& manager = *setup.manager;
    const auto typeName = manager.getCurrentAudioDeviceType();

    // The boxes' own refills re-apply the set-up as it is (a cleared rate box notifies once it
    // is filled again): the manager ignores that, and so does the callback.
    const bool changes = chosen != manager.getAudioDeviceSetup() || manager.getCurrentAudioDevice() == nullptr;
    const auto error = manager.setAudioDeviceSetup (chosen, true);

    if (changes && setup.onSetupApplied != nullptr && *setup.onSetupApplied != nullptr)
        (*setup.onSetupApplied) (typeName, chosen);

    return error;
}

//==============================================================================
AudioDeviceSettingsPanel::AudioDeviceSettingsPanel (juce::AudioIODeviceType& deviceType, const AudioDeviceSetupDetails& details,
                                                    bool /*hideAdvancedOptionsWithButton*/,
                                                    OvexjuceLoudnessAudioProcessor* processorToUse, const juce::Font& panelFont)
    : type (deviceType), setup (details), processor (processorToUse), font (panelFont)
{
    if (setup.manager != nullptr)
        setup.manager->addChangeListener (this);

    rescanDevices();
}

AudioDeviceSettingsPanel::~AudioDeviceSettingsPanel()
{
    if (setup.manager != nullptr)
        setup.manager->removeChangeListener (this);

    outputDropBox.reset();
    inputDropBox.reset();
    outputDeviceLabel.reset();
    inputDeviceLabel.reset();
    sampleRateLabel.reset();
    bufferSizeLabel.reset();
    outputDeviceBox.reset();
    inputDeviceBox.reset();
    sampleRateBox.reset();
    bufferSizeBox.reset();
}

void AudioDeviceSettingsPanel::setDeviceErrorReporter (DeviceErrorReporter reporter)
{
    errorReporter = std::move (reporter);

    for (auto* dropBox : { inputDropBox.get(), outputDropBox.get() })
        if (dropBox != nullptr)
            dropBox->setDeviceErrorReporter (errorReporter);
}

void AudioDeviceSettingsPanel::rescanDevices()
{
    type.scanForDevices();
    updateAllControls();
}

void AudioDeviceSettingsPanel::updateAllControls()
{
    updateOutputsComboBox();
    updateInputsComboBox();

    if (auto* device = currentDevice (setup))
    {
        updateDropBox (outputDropBox, OVEXChannelSelectorDropBox::output);
        updateDropBox (inputDropBox, OVEXChannelSelectorDropBox::input);
        updateSampleRateComboBox (*device);
        updateBufferSizeComboBox (*device);
    }
    else
    {
        sampleRateLabel.reset();
        sampleRateBox.reset();
        bufferSizeLabel.reset();
        bufferSizeBox.reset();

        for (auto* box : { outputDeviceBox.get(), inputDeviceBox.get() })
            if (box != nullptr)
                box->setSelectedId (-1, juce::dontSendNotification);

        // Kept for when a device opens again, but a choice now would have no device to go to.
        for (auto* dropBox : { inputDropBox.get(), outputDropBox.get() })
            if (dropBox != nullptr)
                dropBox->setEnabled (false);
    }

    resized();
    setSize (getWidth(), getLowestY() + 4);
}

void AudioDeviceSettingsPanel::updateOutputsComboBox()
{
    if (outputDeviceBox == nullptr)
    {
        outputDeviceBox = makeBox();
        outputDeviceBox->addListener (this);
        outputDeviceLabel = makeLabel (type.hasSeparateInputsAndOutputs() ? TRANS ("Output:") : TRANS ("Device:"),
                                       *outputDeviceBox, nullptr);
    }

    addNamesToDeviceBox (*outputDeviceBox, false);
    showCorrectDeviceName (outputDeviceBox.get(), false);
}

void AudioDeviceSettingsPanel::updateInputsComboBox()
{
    if (setup.maxNumInputChannels > 0 && type.hasSeparateInputsAndOutputs())
    {
        if (inputDeviceBox == nullptr)
        {
            inputDeviceBox = makeBox();
            inputDeviceBox->addListener (this);
            const auto labelFont = labelFontFrom (font);
            inputDeviceLabel = makeLabel (TRANS ("Input:"), *inputDeviceBox, &labelFont);
        }

        addNamesToDeviceBox (*inputDeviceBox, true);
    }

    showCorrectDeviceName (inputDeviceBox.get(), true);
}

void AudioDeviceSettingsPanel::updateSampleRateComboBox (juce::AudioIODevice& device)
{
    if (sampleRateBox == nullptr)
    {
        sampleRateBox = makeBox();
        const auto labelFont = labelFontFrom (font);
        sampleRateLabel = makeLabel (TRANS ("Sample rate:"), *sampleRateBox, &labelFont);
    }
    else
    {
        sampleRateBox->clear (juce::sendNotificationAsync);
        sampleRateBox->removeListener (this);
    }

    for (const auto rate : device.getAvailableSampleRates())
    {
        const int n = juce::roundToInt (rate);

        // A combo box item needs an id above 0, and one of its own.
        if (n > 0 && sampleRateBox->indexOfItemId (n) < 0)
            sampleRateBox->addItem (juce::String (n) + " Hz", n);
    }

    sampleRateBox->setSelectedId (juce::roundToInt (device.getCurrentSampleRate()), juce::dontSendNotification);
    sampleRateBox->addListener (this);
}

void AudioDeviceSettingsPanel::updateBufferSizeComboBox (juce::AudioIODevice& device)
{
    if (bufferSizeBox == nullptr)
    {
        bufferSizeBox = makeBox();
        const auto labelFont = labelFontFrom (font);
        bufferSizeLabel = makeLabel (TRANS ("Audio buffer size:"), *bufferSizeBox, &labelFont);
    }
    else
    {
        bufferSizeBox->clear (juce::sendNotificationAsync);
        bufferSizeBox->removeListener (this);
    }

    const double rate = device.getCurrentSampleRate();

    for (const auto size : device.getAvailableBufferSizes())
        if (size > 0 && bufferSizeBox->indexOfItemId (size) < 0)
            bufferSizeBox->addItem (bufferSizeText (size, rate), size);

    bufferSizeBox->setSelectedId (device.getCurrentBufferSizeSamples(), juce::dontSendNotification);
    bufferSizeBox->addListener (this);
}

void AudioDeviceSettingsPanel::addNamesToDeviceBox (juce::ComboBox& box, bool isInput)
{
    box.clear (juce::dontSendNotification);
    int id = 1;

    for (const auto& name : type.getDeviceNames (isInput))
        box.addItem (name, id++);
}

void AudioDeviceSettingsPanel::showCorrectDeviceName (juce::ComboBox* box, bool isInput)
{
    if (box == nullptr)
        return;

    auto* device = currentDevice (setup);
    const int index = device != nullptr ? type.getIndexOfDevice (device, isInput) : -1;
    box->setSelectedId (juce::jmax (-1, index) + 1, juce::dontSendNotification);
}

void AudioDeviceSettingsPanel::updateDropBox (std::unique_ptr<OVEXChannelSelectorDropBox>& dropBox, int side)
{
    if (dropBox == nullptr)
    {
        dropBox = std::make_unique<OVEXChannelSelectorDropBox> (setup, (OVEXChannelSelectorDropBox::ChannelType) side,
                                                                processor, font);
        dropBox->setDeviceErrorReporter (errorReporter);
        addAndMakeVisible (*dropBox);
    }

    dropBox->refill();
}

std::unique_ptr<juce::ComboBox> AudioDeviceSettingsPanel::makeBox()
{
    auto box = std::make_unique<juce::ComboBox>();
    addAndMakeVisible (*box);
    styleComboBox (*box, lookAndFeel);
    return box;
}

std::unique_ptr<juce::Label> AudioDeviceSettingsPanel::makeLabel (const juce::String& text, juce::ComboBox& box,
                                                                  const juce::Font* labelFont)
{
    auto label = std::make_unique<juce::Label> (juce::String(), text);

    if (labelFont != nullptr)
        label->setFont (*labelFont);

    label->setColour (juce::Label::textColourId, juce::Colours::white);
    label->attachToComponent (&box, true);
    return label;
}

int AudioDeviceSettingsPanel::getLowestY() const
{
    int lowest = 0;

    for (auto* child : getChildren())
        lowest = juce::jmax (lowest, child->getBottom());

    return lowest;
}

void AudioDeviceSettingsPanel::resized()
{
    const int left = proportionOfWidth (0.17f);
    const int right = proportionOfWidth (0.6f);
    const int columnWidth = proportionOfWidth (0.33f);
    int y = firstRowY;

    if (inputDeviceBox != nullptr)
    {
        inputDeviceBox->setBounds (left, y, columnWidth, rowHeight);
        y += rowStep;
    }

    if (outputDeviceBox != nullptr)
        outputDeviceBox->setBounds (right, firstRowY, columnWidth, rowHeight);

    for (auto* box : { sampleRateBox.get(), bufferSizeBox.get() })
    {
        if (box != nullptr)
        {
            box->setBounds (left, y, columnWidth, rowHeight);
            y += rowStep;
        }
    }

    if (inputDropBox != nullptr)
        inputDropBox->setBounds (proportionOfWidth (0.08f), y, 2 * columnWidth, dropBoxHeight);

    if (outputDropBox != nullptr)
        outputDropBox->setBounds (proportionOfWidth (0.51f), y, 2 * columnWidth, dropBoxHeight);
}

void AudioDeviceSettingsPanel::comboBoxChanged (juce::ComboBox* box)
{
    if (box == nullptr || setup.manager == nullptr)
        return;

    auto& manager = *setup.manager;

    // With no device open anywhere, the page offers a type the manager is not on yet.
    if (manager.getCurrentAudioDeviceType() != type.getTypeName())
        manager.setCurrentAudioDeviceType (type.getTypeName(), false);

    auto config = manager.getAudioDeviceSetup();
    juce::String error;

    if (box == outputDeviceBox.get() || box == inputDeviceBox.get())
    {
        const auto chosenName = [] (const juce::ComboBox& deviceBox)
        {
            return deviceBox.getSelectedId() < 0 ? juce::String() : deviceBox.getText();
        };

        if (outputDeviceBox != nullptr)
            config.outputDeviceName = chosenName (*outputDeviceBox);

        if (inputDeviceBox != nullptr)
            config.inputDeviceName = chosenName (*inputDeviceBox);

        if (! type.hasSeparateInputsAndOutputs())
            config.inputDeviceName = config.outputDeviceName;

        const bool inputSide = box == inputDeviceBox.get();

        if (inputSide)
            config.useDefaultInputChannels = true;
        else
            config.useDefaultOutputChannels = true;

        if (auto& dropBox = inputSide ? inputDropBox : outputDropBox; dropBox != nullptr)
            dropBox->applyAtNextRefill();

        error = applyChosenSetup (setup, config);

        showCorrectDeviceName (inputDeviceBox.get(), true);
        showCorrectDeviceName (outputDeviceBox.get(), false);

        // Another device has other channels: every role starts again on its own channel.
        if (processor != nullptr)
        {
            if (inputSide)
                processor->setDefaultInputRouting();
            else
                processor->setDefaultOutputRouting();
        }

        resized();
    }
    else if (box == sampleRateBox.get())
    {
        if (box->getSelectedId() > 0)
        {
            config.sampleRate = box->getSelectedId();
            error = applyChosenSetup (setup, config);
        }
    }
    else if (box == bufferSizeBox.get())
    {
        if (box->getSelectedId() > 0)
        {
            config.bufferSize = box->getSelectedId();
            error = applyChosenSetup (setup, config);
        }
    }

    if (error.isNotEmpty())
        reportError (error);
}

void AudioDeviceSettingsPanel::reportError (const juce::String& error) const
{
    if (errorReporter != nullptr)
        errorReporter (deviceErrorTitle, error);
}

//==============================================================================
AudioDeviceSettingsPanel::OVEXChannelSelectorDropBox::OVEXChannelSelectorDropBox (const AudioDeviceSetupDetails& details,
                                                                                  ChannelType channelSide,
                                                                                  OvexjuceLoudnessAudioProcessor* processorToUse,
                                                                                  const juce::Font& panelFont)
    : setup (details), side (channelSide), processor (processorToUse), font (labelFontFrom (panelFont))
{
    // The two drop boxes overlap on the page; only their role boxes and labels take clicks, so the
    // role boxes of the one below stay reachable.
    setInterceptsMouseClicks (false, true);

    for (int role = 0; role < numChannelRoles; ++role)
    {
        auto& box = roleBoxes[(size_t) role];
        box = std::make_unique<juce::ComboBox>();
        box->addListener (this);
        addAndMakeVisible (*box);
        styleComboBox (*box, lookAndFeel);

        auto& label = roleLabels[(size_t) role];
        label = std::make_unique<juce::Label> (juce::String(), channelRoleNames[role]);
        label->setColour (juce::Label::textColourId, juce::Colours::white);
        label->setFont (font);
        label->attachToComponent (box.get(), true);
    }

    refill();
    layoutBoxes();
}

AudioDeviceSettingsPanel::OVEXChannelSelectorDropBox::~OVEXChannelSelectorDropBox()
{
    cancelPendingUpdate();

    for (auto& label : roleLabels)
        label.reset();

    for (auto& box : roleBoxes)
        box.reset();
}

void AudioDeviceSettingsPanel::OVEXChannelSelectorDropBox::refill()
{
    channelNames.clear();

    for (auto& box : roleBoxes)
    {
        box->removeListener (this);
        box->clear (juce::dontSendNotification);
        box->addListener (this);
    }

    auto* device = currentDevice (setup);

    if (device != nullptr)
        channelNames = side == output ? device->getOutputChannelNames() : device->getInputChannelNames();

    if (processor != nullptr)
        layout = side == output ? processor->outputLayout : processor->inputLayout;

    for (int role = 0; role < numChannelRoles; ++role)
    {
        auto& box = *roleBoxes[(size_t) role];
        box.addItemList (channelNames, 1);
        box.addItem ("<< " + TRANS ("none") + " >>", -1);
        box.setSelectedId (roleBoxItemIdFor (layout[(size_t) role], channelNames.size()), juce::dontSendNotification);
    }

    setEnabled (device != nullptr);

    // The layout goes to a device once, when it (or its channel set) is new to the boxes. The
    // manager also broadcasts when a JACK client connects an idle port of ours; applying the
    // layout again then would reopen the device and drop every connection made to it.
    const auto deviceNow = device == nullptr ? juce::String()
                                             : device->getTypeName() + "\n" + device->getName() + "\n"
                                                   + channelNames.joinIntoString ("\n");

    if (deviceNow != deviceLastApplied)
    {
        deviceLastApplied = deviceNow;

        // One pass reads all six boxes, so one is enough however many selections changed.
        triggerAsyncUpdate();
    }
}

void AudioDeviceSettingsPanel::OVEXChannelSelectorDropBox::comboBoxChanged (juce::ComboBox* box)
{
    const bool isRoleBox = std::any_of (roleBoxes.begin(), roleBoxes.end(),
                                        [box] (const auto& roleBox) { return roleBox.get() == box; });

    if (isRoleBox)
        applyBoxSelections();
}

void AudioDeviceSettingsPanel::OVEXChannelSelectorDropBox::applyBoxSelections()
{
    for (int role = 0; role < numChannelRoles; ++role)
    {
        auto& box = *roleBoxes[(size_t) role];
        const int id = box.getSelectedId();
        layout[(size_t) role] = id >= 1 && id <= channelNames.size() ? id - 1 : -1;
        enableAllItems (box);
    }

    excludeTakenChannels();
    pushLayoutToProcessor();
    applyLayoutToDevice();
}

void AudioDeviceSettingsPanel::OVEXChannelSelectorDropBox::layoutBoxes()
{
    const int x = proportionOfWidth (0.135f);
    const int width = proportionOfWidth (0.5f);
    const int step = proportionOfHeight (0.125f);

    for (int role = 0; role < numChannelRoles; ++role)
        roleBoxes[(size_t) role]->setBounds (x, role * step, width, rowHeight);
}

void AudioDeviceSettingsPanel::OVEXChannelSelectorDropBox::enableAllItems (juce::ComboBox& box)
{
    box.removeListener (this);

    for (int id = 1; id <= channelNames.size(); ++id)
        box.setItemEnabled (id, true);

    box.addListener (this);
}

void AudioDeviceSettingsPanel::OVEXChannelSelectorDropBox::excludeTakenChannels()
{
    for (int role = 0; role < numChannelRoles; ++role)
    {
        const int channel = layout[(size_t) role];

        if (channel < 0 || channel >= channelNames.size())
            continue;

        for (int other = 0; other < numChannelRoles; ++other)
            if (other != role)
                roleBoxes[(size_t) other]->setItemEnabled (channel + 1, false);
    }
}

void AudioDeviceSettingsPanel::OVEXChannelSelectorDropBox::pushLayoutToProcessor()
{
    if (processor == nullptr)
        return;

    if (side == input)
        processor->setInputLayout (layout);
    else
        processor->setOutputLayout (layout);
}

void AudioDeviceSettingsPanel::OVEXChannelSelectorDropBox::applyLayoutToDevice()
{
    auto* device = currentDevice (setup);

    // Without a device the set-up names none; applying it would store "no device" as the user's choice.
    if (device == nullptr)
        return;

    const auto wanted = channelsTakenBy (layout, channelNames.size());

    // Opening the device again would drop every connection a JACK client has made to it: one that
    // already has exactly these channels keeps them as they are.
    if (wanted == (side == input ? device->getActiveInputChannels() : device->getActiveOutputChannels()))
        return;

    auto& manager = *setup.manager;
    auto config = manager.getAudioDeviceSetup();
    (side == input ? config.inputChannels : config.outputChannels) = wanted;
    (side == input ? config.useDefaultInputChannels : config.useDefaultOutputChannels) = false;

    const auto error = applyChosenSetup (setup, config);

    if (error.isEmpty())
        return;

    juce::Logger::writeToLog ("Cannot set this channel layout!");

    // The manager drops a device it cannot open with these channels; metering has then stopped.
    if (manager.getCurrentAudioDevice() == nullptr && errorReporter != nullptr)
        errorReporter (deviceErrorTitle, error);
}
