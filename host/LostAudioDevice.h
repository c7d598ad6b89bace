#pragma once

#include <juce_audio_devices/juce_audio_devices.h>

/** Whether the manager's device was stopped by its back-end rather than by us (for JACK, the
    server shutting down): it is still current and still has channels to play, but plays no more.
    A device with no channels at all was left unopened on purpose and is not lost. Such a device
    must not be reopened or deleted while the back-end's threads may still call into it. */
inline bool hasLostItsDevice (juce::AudioDeviceManager& manager)
{
    auto* device = manager.getCurrentAudioDevice();
    const auto setup = manager.getAudioDeviceSetup();
    const bool hasChannels = ! setup.inputChannels.isZero() || ! setup.outputChannels.isZero();
    return device != nullptr && hasChannels && ! device->isPlaying();
}
