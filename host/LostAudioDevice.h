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

/** Whether the device's back-end tells when it stops on its own. ALSA's thread leaves its loop on
    a failed read or write (a USB interface unplugged) without a word, and the device goes on
    saying that it plays. */
inline bool reportsItsOwnStop (const juce::AudioIODevice& device)
{
    return ! device.getTypeName().startsWith ("ALSA");
}
