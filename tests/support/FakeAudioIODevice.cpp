#include "FakeAudioIODevice.h"

#include <utility>
#include <vector>

namespace testsupport
{
FakeAudioIODevice::FakeAudioIODevice (const juce::String& deviceTypeName, const juce::String& inputName,
                                      const juce::String& outputName, const FakeDeviceCapabilities& offered)
    : juce::AudioIODevice (outputName.isNotEmpty() ? outputName : inputName, deviceTypeName),
      inputDeviceName (inputName),
      outputDeviceName (outputName),
      capabilities (offered)
{
}

FakeAudioIODevice::~FakeAudioIODevice()
{
    close();
}

juce::StringArray FakeAudioIODevice::getOutputChannelNames()
{
    return outputDeviceName.isNotEmpty() ? capabilities.outputChannelNames : juce::StringArray();
}

juce::StringArray FakeAudioIODevice::getInputChannelNames()
{
    return inputDeviceName.isNotEmpty() ? capabilities.inputChannelNames : juce::StringArray();
}

juce::String FakeAudioIODevice::open (const juce::BigInteger& inputChannels, const juce::BigInteger& outputChannels,
                                      double sampleRate, int bufferSizeSamples)
{
    ++numOpens;
    close();

    lastError = capabilities.openError;

    if (lastError.isNotEmpty())
        return lastError;

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

void FakeAudioIODevice::close()
{
    stop();
    opened = false;
}

void FakeAudioIODevice::start (juce::AudioIODeviceCallback* newCallback)
{
    if (! opened || newCallback == callback)
        return;

    if (newCallback != nullptr)
        newCallback->audioDeviceAboutToStart (this);

    auto* oldCallback = std::exchange (callback, newCallback);

    if (oldCallback != nullptr)
        oldCallback->audioDeviceStopped();
}

void FakeAudioIODevice::stop()
{
    if (auto* oldCallback = std::exchange (callback, nullptr))
        oldCallback->audioDeviceStopped();
}

void FakeAudioIODevice::process (const juce::AudioSampleBuffer& input, juce::AudioSampleBuffer& output)
{
    output.clear();

    if (callback == nullptr)
        return;

    std::vector<const float*> ins;
    std::vector<float*> outs;

    for (int c = 0; c < input.getNumChannels(); ++c)
        if (activeInputs[c])
            ins.push_back (input.getReadPointer (c));

    for (int c = 0; c < output.getNumChannels(); ++c)
        if (activeOutputs[c])
            outs.push_back (output.getWritePointer (c));

    callback->audioDeviceIOCallbackWithContext (ins.data(), (int) ins.size(), outs.data(), (int) outs.size(),
                                                output.getNumSamples(), {});
}
} // namespace testsupport
