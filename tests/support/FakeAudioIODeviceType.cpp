#include "FakeAudioIODeviceType.h"

namespace testsupport
{
FakeAudioIODeviceType::FakeAudioIODeviceType (const juce::String& deviceTypeName, const juce::StringArray& inputDeviceNames,
                                              const juce::StringArray& outputDeviceNames,
                                              const FakeDeviceCapabilities& offered, bool separate)
    : juce::AudioIODeviceType (deviceTypeName),
      inputNames (inputDeviceNames),
      outputNames (outputDeviceNames),
      capabilities (offered),
      separateInputsAndOutputs (separate)
{
}

juce::StringArray FakeAudioIODeviceType::getDeviceNames (bool wantInputNames) const
{
    if (! hasScanned)
        return {};

    return wantInputNames ? inputNames : outputNames;
}

int FakeAudioIODeviceType::getDefaultDeviceIndex (bool forInput) const
{
    return getDeviceNames (forInput).isEmpty() ? -1 : 0;
}

int FakeAudioIODeviceType::getIndexOfDevice (juce::AudioIODevice* device, bool asInput) const
{
    if (auto* fake = dynamic_cast<FakeAudioIODevice*> (device))
        return asInput ? inputNames.indexOf (fake->inputDeviceName) : outputNames.indexOf (fake->outputDeviceName);

    return -1;
}

juce::AudioIODevice* FakeAudioIODeviceType::createDevice (const juce::String& outputDeviceName,
                                                          const juce::String& inputDeviceName)
{
    const bool knowsInput = inputNames.contains (inputDeviceName);
    const bool knowsOutput = outputNames.contains (outputDeviceName);

    if (! knowsInput && ! knowsOutput)
        return nullptr;

    ++numDevicesCreated;
    return new FakeAudioIODevice (getTypeName(), knowsInput ? inputDeviceName : juce::String(),
                                  knowsOutput ? outputDeviceName : juce::String(), capabilities);
}

std::unique_ptr<juce::AudioDeviceManager> makeDeviceManagerWith (std::unique_ptr<juce::AudioIODeviceType> type)
{
    // With a type already added, the manager adds none of the platform's.
    auto manager = std::make_unique<juce::AudioDeviceManager>();
    manager->addAudioDeviceType (std::move (type));
    return manager;
}
} // namespace testsupport
