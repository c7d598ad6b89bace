#pragma once

#include "OVEXSlidingWindowFifo.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <atomic>
#include <map>
#include <memory>

/** Carries the processor's six routed channels to the vectorscope display: the audio thread pushes
    every block, the editor's vector thread pulls fixed-size runs of the two selected channels.
    The channel choice is made on the message thread and takes effect at the next pull. */
class VectorscopeSource
{
public:
    VectorscopeSource();
    ~VectorscopeSource();

    /** Audio thread: queues channels 0 to 5 of the block; what does not fit is dropped. */
    void pushBlock (const juce::AudioSampleBuffer& block);

    /** Vector thread. */
    int getNumReady();

    /** Vector thread: dest becomes 2 × numSamples, channel 0 the right input and channel 1 the left. */
    void pullStereo (juce::AudioSampleBuffer& dest, int numSamples);

    /** Message thread: a role name "L", "R", "C", "LFE", "LS" or "RS"; any other name selects channel 0. */
    void setRightChannel (const juce::String& roleName);
    void setLeftChannel (const juce::String& roleName);

private:
    void fillRoleMap();
    int indexOfRole (const juce::String& roleName);

    std::unique_ptr<OVEXSlidingWindowFifo> sampleFifo;
    std::map<juce::String, int> roleMap;
    std::atomic<int> rightIndex { 1 };
    std::atomic<int> leftIndex { 0 };
    juce::AudioSampleBuffer workBuffer;

    JUCE_DECLARE_NON_COPYABLE (VectorscopeSource)
};
