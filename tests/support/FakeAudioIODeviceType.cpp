#include "FakeAudioIODeviceType.h"

#include <utility>

namespace testsupport
{
namespace
{
class FakeAudioIODevice;
}

struct FakeAudioIODeviceType::SharedState
{
    juce::String openError;
    int openCount = 0;
    FakeAudioIODevice* playing = nullptr;
};

namespace
{
class FakeAudioIODevice final : public juce::AudioIODevice
{
public:
    FakeAudioIODevice (const juce::String& deviceTypeName, const juce::String& inputName, const juce::String& outputName,
                       const FakeDeviceCapabilities& inputSide, const FakeDeviceCapabilities& outputSide,
                       std::shared_ptr<FakeAudioIODeviceType::SharedState> sharedState)
        : juce::AudioIODevice (outputName.isNotEmpty() ? outputName : inputName, deviceTypeName),
          inputDeviceName (inputName), outputDeviceName (outputName),
          inputChannelNames (inputName.isNotEmpty() ? inputSide.inputChannelNames : juce::StringArray()),
          outputChannelNames (outputName.isNotEmpty() ? outputSide.outputChannelNames : juce::StringArray()),
          capabilities (outputName.isNotEmpty() ? outputSide : inputSide), state (std::move (sharedState))
    {
    }

    ~FakeAudioIODevice() override { close(); }

    juce::StringArray getOutputChannelNames() override { return outputChannelNames; }
    juce::StringArray getInputChannelNames() override { return inputChannelNames; }
    juce::Array<double> getAvailableSampleRates() override { return capabilities.sampleRates; }
    juce::Array<int> getAvailableBufferSizes() override { return capabilities.bufferSizes; }
    int getDefaultBufferSize() override { return capabilities.bufferSizes.isEmpty() ? 0 : capabilities.bufferSizes.getFirst(); }

    juce::String open (const juce::BigInteger& inputChannels, const juce::BigInteger& outputChannels,
                       double sampleRate, int bufferSizeSamples) override
    {
        close();
        ++state->openCount;

        if (state->openError.isNotEmpty())
            return state->openError;

        activeInputs = inputChannels;
        activeInputs.setRange (inputChannelNames.size(), juce::jmax (0, activeInputs.getHighestBit() + 1), false);
        activeOutputs = outputChannels;
        activeOutputs.setRange (outputChannelNames.size(), juce::jmax (0, activeOutputs.getHighestBit() + 1), false);

        const auto& rates = capabilities.sampleRates;
        currentSampleRate = rates.isEmpty() ? 0.0 : rates.contains (sampleRate) ? sampleRate : rates.getFirst();
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

        if (callback != nullptr)
            state->playing = this;
    }

    void stop() override
    {
        if (state->playing == this)
            state->playing = nullptr;

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

    void activateInput (int channel) { activeInputs.setBit (channel); }

    void callBack()
    {
        juce::AudioBuffer<float> inputs (activeInputs.countNumberOfSetBits(), currentBufferSize);
        juce::AudioBuffer<float> outputs (activeOutputs.countNumberOfSetBits(), currentBufferSize);
        inputs.clear();
        callback->audioDeviceIOCallbackWithContext (inputs.getArrayOfReadPointers(), inputs.getNumChannels(),
                                                    outputs.getArrayOfWritePointers(), outputs.getNumChannels(),
                                                    currentBufferSize, {});
    }

    const juce::String inputDeviceName, outputDeviceName;

private:
    const juce::StringArray inputChannelNames, outputChannelNames;
    const FakeDeviceCapabilities capabilities;
    const std::shared_ptr<FakeAudioIODeviceType::SharedState> state;
    juce::AudioIODeviceCallback* callback = nullptr;
    juce::BigInteger activeInputs, activeOutputs;
    double currentSampleRate = 0.0;
    int currentBufferSize = 0;
    bool opened = false;
};
} // namespace

FakeAudioIODeviceType::FakeAudioIODeviceType (const juce::String& deviceTypeName, const juce::StringArray& inputDeviceNames,
                                              const juce::StringArray& outputDeviceNames, const FakeDeviceCapabilities& offered,
                                              bool separateInputsAndOutputs)
    : juce::AudioIODeviceType (deviceTypeName), inputNames (inputDeviceNames), outputNames (outputDeviceNames),
      capabilities (offered), separate (separateInputsAndOutputs), state (std::make_shared<SharedState>())
{
}

int FakeAudioIODeviceType::getIndexOfDevice (juce::AudioIODevice* device, bool asInput) const
{
    if (auto* fake = dynamic_cast<FakeAudioIODevice*> (device))
        return asInput ? scannedInputNames.indexOf (fake->inputDeviceName) : scannedOutputNames.indexOf (fake->outputDeviceName);

    return -1;
}

juce::AudioIODevice* FakeAudioIODeviceType::createDevice (const juce::String& outputDeviceName, const juce::String& inputDeviceName)
{
    const bool knowsInput = inputNames.contains (inputDeviceName);
    const bool knowsOutput = outputNames.contains (outputDeviceName);

    if (! knowsInput && ! knowsOutput)
        return nullptr;

    const auto capabilitiesOf = [this] (const juce::String& deviceName) -> const FakeDeviceCapabilities&
    {
        const auto found = deviceCapabilities.find (deviceName);
        return found != deviceCapabilities.end() ? found->second : capabilities;
    };

    return new FakeAudioIODevice (getTypeName(), knowsInput ? inputDeviceName : juce::String(),
                                  knowsOutput ? outputDeviceName : juce::String(), capabilitiesOf (inputDeviceName),
                                  capabilitiesOf (outputDeviceName), state);
}

void FakeAudioIODeviceType::setOpenError (const juce::String& error)
{
    state->openError = error;
}

int FakeAudioIODeviceType::getOpenCount() const
{
    return state->openCount;
}

bool FakeAudioIODeviceType::activateInputFromOutside (int channel)
{
    if (state->playing == nullptr)
        return false;

    state->playing->activateInput (channel);
    callDeviceChangeListeners();
    return true;
}

bool FakeAudioIODeviceType::callBackOnce()
{
    if (state->playing == nullptr)
        return false;

    state->playing->callBack();
    return true;
}
} // namespace testsupport
