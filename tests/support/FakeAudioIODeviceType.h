#pragma once

#include "FakeAudioIODevice.h"

#include <memory>

namespace testsupport
{
/** An audio device type whose devices are FakeAudioIODevices with the given names, so that a
    device manager can be exercised without sound hardware. Used on the test's own thread. */
class FakeAudioIODeviceType : public juce::AudioIODeviceType
{
public:
    FakeAudioIODeviceType (const juce::String& deviceTypeName, const juce::StringArray& inputDeviceNames,
                           const juce::StringArray& outputDeviceNames, const FakeDeviceCapabilities& capabilities = {},
                           bool separateInputsAndOutputs = true);

    void scanForDevices() override { hasScanned = true; }
    juce::StringArray getDeviceNames (bool wantInputNames) const override;
    int getDefaultDeviceIndex (bool forInput) const override;
    int getIndexOfDevice (juce::AudioIODevice* device, bool asInput) const override;
    bool hasSeparateInputsAndOutputs() const override { return separateInputsAndOutputs; }
    juce::AudioIODevice* createDevice (const juce::String& outputDeviceName, const juce::String& inputDeviceName) override;

    int getNumDevicesCreated() const noexcept { return numDevicesCreated; }

private:
    const juce::StringArray inputNames, outputNames;
    const FakeDeviceCapabilities capabilities;
    const bool separateInputsAndOutputs;
    bool hasScanned = false;
    int numDevicesCreated = 0;
};

/** A device manager that knows the given type and no other, so nothing reaches the system's audio. */
std::unique_ptr<juce::AudioDeviceManager> makeDeviceManagerWith (std::unique_ptr<juce::AudioIODeviceType> type);
} // namespace testsupport
