#pragma once

#include "OvexjuceLoudnessAudioProcessor.h"

/** Lets tests drive the processor's loudness computation by hand instead of waiting for its
    thread, and read what the processor keeps to itself. */
struct ProcessorTestAccess
{
    /** Plays the processor as the framework's player would, with as many inputs as outputs, and
        takes the loudness module off its thread. */
    static void prepare (OvexjuceLoudnessAudioProcessor& p, double sampleRate, int blockSize, int numChannels = 6)
    {
        p.setPlayConfigDetails (numChannels, numChannels, sampleRate, blockSize);
        p.prepareToPlay (sampleRate, blockSize);
        p.loudnessThread.removeTimeSliceClient (&p.loudnessModule);
    }

    /** One turn of the loudness thread's work, done on the calling thread. */
    static void computeLoudness (OvexjuceLoudnessAudioProcessor& p) { p.loudnessModule.useTimeSlice(); }

    /** One audio block followed by one turn of the loudness computation. */
    static void process (OvexjuceLoudnessAudioProcessor& p, juce::AudioSampleBuffer& block)
    {
        juce::MidiBuffer midi;
        p.processBlock (block, midi);
        computeLoudness (p);
    }

    static const MeterSnapshot& meters (const OvexjuceLoudnessAudioProcessor& p) { return p.meters; }
    static MeterSnapshot& writableMeters (OvexjuceLoudnessAudioProcessor& p) { return p.meters; }
    static const std::array<float, 6>& channelMomentary (const OvexjuceLoudnessAudioProcessor& p) { return p.channelMomentary; }
    static juce::TimeSliceThread& loudnessThread (OvexjuceLoudnessAudioProcessor& p) { return p.loudnessThread; }
    static OVEXLoudnessModule& loudnessModule (OvexjuceLoudnessAudioProcessor& p) { return p.loudnessModule; }
    static void updateTruePeaks (OvexjuceLoudnessAudioProcessor& p, const float* levels, int count) { p.updateTruePeaks (levels, count); }
    static int updateChannelTruePeak (OvexjuceLoudnessAudioProcessor& p, int c, float v) { return p.updateChannelTruePeak (c, v); }
    static void updateMomentary (OvexjuceLoudnessAudioProcessor& p, float value) { p.updateMomentary (value); }
    static void pollReports (OvexjuceLoudnessAudioProcessor& p) { p.reportPoll.timerCallback(); }
    static void remoteTick (OvexjuceLoudnessAudioProcessor& p) { p.timerCallback(); }
    static bool isRemoteFeedRunning (OvexjuceLoudnessAudioProcessor& p) { return p.isTimerRunning(); }
    static int remotePort (const OvexjuceLoudnessAudioProcessor& p) { return p.remoteServer.getBoundPort(); }
};
