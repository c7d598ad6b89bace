#pragma once

#include "EditorRefreshControl.h"
#include "OvexjuceLoudnessAudioProcessor.h"

#include <juce_audio_processors/juce_audio_processors.h>

/** The processor's window content: a black 1024 × 768 page refreshed every 50 ms while a device
    plays. Lives on the message thread. */
class OvexjuceLoudnessAudioProcessorEditor : public juce::AudioProcessorEditor,
                                             public EditorRefreshControl,
                                             private juce::Timer
{
public:
    OvexjuceLoudnessAudioProcessorEditor (OvexjuceLoudnessAudioProcessor& processor, juce::AudioDeviceManager* deviceManager);
    ~OvexjuceLoudnessAudioProcessorEditor() override;

    void paint (juce::Graphics& g) override;

    void startRefresh (int intervalMilliseconds) override { startTimer (intervalMilliseconds); }
    void stopRefresh() override { stopTimer(); }

private:
    void timerCallback() override;

    OvexjuceLoudnessAudioProcessor& processor;
    juce::AudioDeviceManager* deviceManager;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (OvexjuceLoudnessAudioProcessorEditor)
};

/** The editor factory the host installs on its processor. */
juce::AudioProcessorEditor* createOvexjuceEditor (OvexjuceLoudnessAudioProcessor& processor);
