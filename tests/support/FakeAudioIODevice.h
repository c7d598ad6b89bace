#pragma once

#include <juce_audio_devices/juce_audio_devices.h>

namespace testsupport
{
/** What a fake device offers. The device type hands the same to every device it creates. */
struct FakeDeviceCapabilities
{
    juce::StringArray inputChannelNames { "In 1", "In 2", "In 3", "In 4", "In 5", "In 6" };
    juce::StringArray outputChannelNames { "Out 1", "Out 2", "Out 3", "Out 4", "Out 5", "Out 6" };
    juce::Array<double> sampleRates { 44100.0, 48000.0 };
    juce::Array<int> bufferSizes { 256, 512 };

    /** When not empty, open() fails with this text. */
    juce::String openError;
};

/** An audio device with no hardware behind it: it remembers how it was opened, and a test plays
    blocks through its callback by hand with process(). Used on the test's own thread only. */
class FakeAudioIODevice : public juce::AudioIODevice
{
public:
    FakeAudioIODevice (const juce::String& deviceTypeName, const juce::String& inputDeviceName,
                       const juce::String& outputDeviceName, const FakeDeviceCapabilities& capabilities);
    ~FakeAudioIODevice() override;

    juce::StringArray getOutputChannelNames() override;
    juce::StringArray getInputChannelNames() override;
    juce::Array<double> getAvailableSampleRates() override { return capabilities.sampleRates; }
    juce::Array<int> getAvailableBufferSizes() override { return capabilities.bufferSizes; }
    int getDefaultBufferSize() override { return capabilities.bufferSizes.isEmpty() ? 0 : capabilities.bufferSizes.getFirst(); }

    juce::String open (const juce::BigInteger& inputChannels, const juce::BigInteger& outputChannels,
                       double sampleRate, int bufferSizeSamples) override;
    void close() override;
    bool isOpen() override { return opened; }
    void start (juce::AudioIODeviceCallback* callback) override;
    void stop() override;
    bool isPlaying() override { return callback != nullptr; }
    juce::String getLastError() override { return lastError; }

    int getCurrentBufferSizeSamples() override { return currentBufferSize; }
    double getCurrentSampleRate() override { return currentSampleRate; }
    int getCurrentBitDepth() override { return 32; }
    juce::BigInteger getActiveOutputChannels() const override { return activeOutputs; }
    juce::BigInteger getActiveInputChannels() const override { return activeInputs; }
    int getOutputLatencyInSamples() override { return 0; }
    int getInputLatencyInSamples() override { return 0; }

    /** One device block: input holds one channel per device input channel, of which the active
        ones reach the callback; output receives one channel per device output channel, the
        inactive ones silent. Does nothing while the device is not playing. */
    void process (const juce::AudioSampleBuffer& input, juce::AudioSampleBuffer& output);

    int getNumOpens() const noexcept { return numOpens; }

    const juce::String inputDeviceName, outputDeviceName;

private:
    const FakeDeviceCapabilities capabilities;
    juce::AudioIODeviceCallback* callback = nullptr;
    juce::BigInteger activeInputs, activeOutputs;
    double currentSampleRate = 0.0;
    int currentBufferSize = 0;
    bool opened = false;
    int numOpens = 0;
    juce::String lastError;
};
} // namespace testsupport
