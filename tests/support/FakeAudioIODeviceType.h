#pragma once

#include <juce_audio_devices/juce_audio_devices.h>

#include <memory>

namespace testsupport
{
/** What every device of a fake type offers. */
struct FakeDeviceCapabilities
{
    juce::StringArray inputChannelNames { "In 1", "In 2", "In 3", "In 4", "In 5", "In 6" };
    juce::StringArray outputChannelNames { "Out 1", "Out 2", "Out 3", "Out 4", "Out 5", "Out 6" };
    juce::Array<double> sampleRates { 44100.0, 48000.0 };
    juce::Array<int> bufferSizes { 256, 512 };
};

/** An audio device type whose devices have no hardware behind them: they open with the channels,
    rate and buffer size asked for, as far as they offer them, and start and stop their callback
    but never call it with audio. Used on the test's own thread. */
class FakeAudioIODeviceType : public juce::AudioIODeviceType
{
public:
    FakeAudioIODeviceType (const juce::String& deviceTypeName, const juce::StringArray& inputDeviceNames,
                           const juce::StringArray& outputDeviceNames, const FakeDeviceCapabilities& capabilities = {});

    void scanForDevices() override { hasScanned = true; }
    juce::StringArray getDeviceNames (bool wantInputNames) const override;
    int getDefaultDeviceIndex (bool forInput) const override { return getDeviceNames (forInput).isEmpty() ? -1 : 0; }
    int getIndexOfDevice (juce::AudioIODevice* device, bool asInput) const override;
    bool hasSeparateInputsAndOutputs() const override { return true; }
    juce::AudioIODevice* createDevice (const juce::String& outputDeviceName, const juce::String& inputDeviceName) override;

private:
    const juce::StringArray inputNames, outputNames;
    const FakeDeviceCapabilities capabilities;
    bool hasScanned = false;
};

/** A device manager that knows the given type and no other, so nothing reaches the system's audio. */
std::unique_ptr<juce::AudioDeviceManager> makeDeviceManagerWith (std::unique_ptr<juce::AudioIODeviceType> type);
} // namespace testsupport
