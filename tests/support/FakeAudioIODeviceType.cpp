#include "FakeAudioIODeviceType.h"

#include <utility>

namespace testsupport
{
namespace
{
class FakeAudioIODevice final : public juce::AudioIODevice
{
public:
    FakeAudioIODevice (const juce::String& deviceTypeName, const juce::String& inputName, const juce::String& outputName,
                       const FakeDeviceCapabilities& offered)
        : juce::AudioIODevice (outputName.isNotEmpty() ? outputName : inputName, deviceTypeName),
          inputDeviceName (inputName), outputDeviceName (outputName), capabilities (offered)
    {
    }

    ~FakeAudioIODevice() override { close(); }

    juce::StringArray getOutputChannelNames() override { return outputDeviceName.isNotEmpty() ? capabilities.outputChannelNames : juce::StringArray(); }
    juce::StringArray getInputChannelNames() override { return inputDeviceName.isNotEmpty() ? capabilities.inputChannelNames : juce::StringArray(); }
    juce::Array<double> getAvailableSampleRates() override { return capabilities.sampleRates; }
    juce::Array<int> getAvailableBufferSizes() override { return capabilities.bufferSizes; }
    int getDefaultBufferSize() override { return capabilities.bufferSizes.isEmpty() ? 0 : capabilities.bufferSizes.getFirst(); }

    juce::String open (const juce::BigInteger& inputChannels, const juce::BigInteger& outputChannels,
                       double sampleRate, int bufferSizeSamples) override
    {
        close();
        activeInputs = inputChannels;
        activeInputs.setRange (getInputChannelNames().size(), juce::jmax (0, activeInputs.getHighestBit() + 1), false);
        activeOutputs = outputChannels;
        activeOutputs.setRange (getOutputChannelNames().size(), juce::jmax (0, activeOutputs.getHighestBit() + 1), false);

        const auto& rates = capabilities.sampleRates;
        currentSampleRate = rates.contains (sampleRate) || rates.isEmpty() ? sampleRate : rates.getFirst();
        currentBufferSize = bufferSizeSamples > 0 ? bufferSizeSamples : getDefaultBufferSize();
        opened = true;
        return {};
    }

    void close() override
    {
        stop();
        opened = false;
    }

    bool isOpen() override { return opened; }

    void start (juce::AudioIODeviceCallback* newCallback) override
    {
        if (! opened || newCallback == callback)
            return;

        if (newCallback != nullptr)
            newCallback->audioDeviceAboutToStart (this);

        if (auto* oldCallback = std::exchange (callback, newCallback))
            oldCallback->audioDeviceStopped();
    }

    void stop() override
    {
        if (auto* oldCallback = std::exchange (callback, nullptr))
            oldCallback->audioDeviceStopped();
    }

    bool isPlaying() override { return callback != nullptr; }
    juce::String getLastError() override { return {}; }
    int getCurrentBufferSizeSamples() override { return currentBufferSize; }
    double getCurrentSampleRate() override { return currentSampleRate; }
    int getCurrentBitDepth() override { return 32; }
    juce::BigInteger getActiveOutputChannels() const override { return activeOutputs; }
    juce::BigInteger getActiveInputChannels() const override { return activeInputs; }
    int getOutputLatencyInSamples() override { return 0; }
    int getInputLatencyInSamples() override { return 0; }

    const juce::String inputDeviceName, outputDeviceName;

private:
    const FakeDeviceCapabilities capabilities;
    juce::AudioIODeviceCallback* callback = nullptr;
    juce::BigInteger activeInputs, activeOutputs;
    double currentSampleRate = 0.0;
    int currentBufferSize = 0;
    bool opened = false;
};
} // namespace

FakeAudioIODeviceType::FakeAudioIODeviceType (const juce::String& deviceTypeName, const juce::StringArray& inputDeviceNames,
                                              const juce::StringArray& outputDeviceNames, const FakeDeviceCapabilities& offered)
    : juce::AudioIODeviceType (deviceTypeName), inputNames (inputDeviceNames), outputNames (outputDeviceNames), capabilities (offered)
{
}

juce::StringArray FakeAudioIODeviceType::getDeviceNames (bool wantInputNames) const
{
    if (! hasScanned)
        return {};

    return wantInputNames ? inputNames : outputNames;
}

int FakeAudioIODeviceType::getIndexOfDevice (juce::AudioIODevice* device, bool asInput) const
{
    if (auto* fake = dynamic_cast<FakeAudioIODevice*> (device))
        return asInput ? inputNames.indexOf (fake->inputDeviceName) : outputNames.indexOf (fake->outputDeviceName);

    return -1;
}

juce::AudioIODevice* FakeAudioIODeviceType::createDevice (const juce::String& outputDeviceName, const juce::String& inputDeviceName)
{
    const bool knowsInput = inputNames.contains (inputDeviceName);
    const bool knowsOutput = outputNames.contains (outputDeviceName);

    if (! knowsInput && ! knowsOutput)
        return nullptr;

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
