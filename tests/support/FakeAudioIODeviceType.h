#pragma once

#include <juce_audio_devices/juce_audio_devices.h>

#include <map>
#include <memory>

namespace testsupport
{
/** What every device of a fake type offers. No sample rates makes a device that reports a rate
    of 0. */
struct FakeDeviceCapabilities
{
    juce::StringArray inputChannelNames { "In 1", "In 2", "In 3", "In 4", "In 5", "In 6" };
    juce::StringArray outputChannelNames { "Out 1", "Out 2", "Out 3", "Out 4", "Out 5", "Out 6" };
    juce::Array<double> sampleRates { 44100.0, 48000.0 };
    juce::Array<int> bufferSizes { 256, 512 };
};

/** An audio device type whose devices have no hardware behind them: they open with the channels,
    rate and buffer size asked for, as far as they offer them, and call their callback only when
    the test says so. Used on the test's own thread. */
class FakeAudioIODeviceType : public juce::AudioIODeviceType
{
public:
    /** With shared inputs and outputs, one device name stands for both sides, as the type's
        input and output names should then be the same list. */
    FakeAudioIODeviceType (const juce::String& deviceTypeName, const juce::StringArray& inputDeviceNames,
                           const juce::StringArray& outputDeviceNames, const FakeDeviceCapabilities& capabilities = {},
                           bool separateInputsAndOutputs = true);

    void scanForDevices() override
    {
        scannedInputNames = inputNames;
        scannedOutputNames = outputNames;
    }

    /** The devices the last scan found. */
    juce::StringArray getDeviceNames (bool wantInputNames) const override
    {
        return wantInputNames ? scannedInputNames : scannedOutputNames;
    }

    int getDefaultDeviceIndex (bool forInput) const override { return getDeviceNames (forInput).isEmpty() ? -1 : 0; }
    int getIndexOfDevice (juce::AudioIODevice* device, bool asInput) const override;
    bool hasSeparateInputsAndOutputs() const override { return separate; }
    juce::AudioIODevice* createDevice (const juce::String& outputDeviceName, const juce::String& inputDeviceName) override;

    /** The named device offers these instead of the type's; devices made from now on. */
    void setDeviceCapabilities (const juce::String& deviceName, const FakeDeviceCapabilities& offered)
    {
        deviceCapabilities[deviceName] = offered;
    }

    /** A device that appears, on both sides, as a JACK server's does when it starts: the type
        offers it from its next scan on. */
    void addDevice (const juce::String& deviceName)
    {
        inputNames.add (deviceName);
        outputNames.add (deviceName);
    }

    /** Every open() from now on fails with this text; an empty text lets them succeed again. */
    void setOpenError (const juce::String& error);

    /** How often devices of this type have been opened, failed attempts included. */
    int getOpenCount() const;

    /** What a JACK device does when another program connects one of its idle input ports: the
        playing device takes that channel up and the type announces a change. Returns false when
        no device of this type plays. */
    bool activateInputFromOutside (int channel);

    /** What a device's thread does once: a block of silence through the playing device's callback,
        on the caller's thread. Returns false when no device of this type plays. */
    bool callBackOnce();

    struct SharedState;

private:
    juce::StringArray inputNames, outputNames, scannedInputNames, scannedOutputNames;
    const FakeDeviceCapabilities capabilities;
    const bool separate;
    std::map<juce::String, FakeDeviceCapabilities> deviceCapabilities;
    std::shared_ptr<SharedState> state;
};

/** A device manager that knows the given types, in this order, and no other, so nothing reaches
    the system's audio: with a type already added, the manager adds none of the platform's. */
template <typename... Types>
std::unique_ptr<juce::AudioDeviceManager> makeDeviceManagerWith (std::unique_ptr<Types>... types)
{
    auto manager = std::make_unique<juce::AudioDeviceManager>();
    (manager->addAudioDeviceType (std::move (types)), ...);
    return manager;
}
} // namespace testsupport
