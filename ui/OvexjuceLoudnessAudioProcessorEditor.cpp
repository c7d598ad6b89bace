#include "OvexjuceLoudnessAudioProcessorEditor.h"

OvexjuceLoudnessAudioProcessorEditor::OvexjuceLoudnessAudioProcessorEditor (OvexjuceLoudnessAudioProcessor& p,
                                                                            juce::AudioDeviceManager* manager)
    : juce::AudioProcessorEditor (p), processor (p), deviceManager (manager)
{
    setOpaque (true);
    setSize (1024, 768);
    startTimer (50);
}

OvexjuceLoudnessAudioProcessorEditor::~OvexjuceLoudnessAudioProcessorEditor()
{
    stopTimer();
}

void OvexjuceLoudnessAudioProcessorEditor::paint (juce::Graphics& g)
{
    g.fillAll (juce::Colours::black);
}

void OvexjuceLoudnessAudioProcessorEditor::timerCallback()
{
    juce::ignoreUnused (processor, deviceManager);
}

juce::AudioProcessorEditor* createOvexjuceEditor (OvexjuceLoudnessAudioProcessor& processor)
{
    return new OvexjuceLoudnessAudioProcessorEditor (processor, processor.deviceManager);
}
