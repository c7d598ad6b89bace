#pragma once

#include <juce_audio_devices/juce_audio_devices.h>

#include <atomic>

/** Passes a device's calls on to another callback and counts its blocks, so that the message
    thread can tell a device that says it plays but no longer calls back. The count is written by
    the audio device thread only, and read anywhere. */
class CountingAudioCallback final : public juce::AudioIODeviceCallback
{
public:
    explicit CountingAudioCallback (juce::AudioIODeviceCallback& callbackToCall) : target (callbackToCall) {}

    void audioDeviceIOCallbackWithContext (const float* const* inputs, int numInputs, float* const* outputs, int numOutputs,
                                           int numSamples, const juce::AudioIODeviceCallbackContext& context) override
    {
        target.audioDeviceIOCallbackWithContext (inputs, numInputs, outputs, numOutputs, numSamples, context);
        blocks.store (blocks.load (std::memory_order_relaxed) + 1, std::memory_order_relaxed);
    }

    void audioDeviceAboutToStart (juce::AudioIODevice* device) override { target.audioDeviceAboutToStart (device); }
    void audioDeviceStopped() override { target.audioDeviceStopped(); }
    void audioDeviceError (const juce::String& message) override { target.audioDeviceError (message); }

    juce::uint32 getBlockCount() const noexcept { return blocks.load (std::memory_order_relaxed); }

private:
    juce::AudioIODeviceCallback& target;
    std::atomic<juce::uint32> blocks { 0 };
};
