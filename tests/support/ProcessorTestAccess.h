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

    /** The callback's own snapshot: for the thread that plays the processor. */
    static const MeterSnapshot& meters (const OvexjuceLoudnessAudioProcessor& p) { return p.meters; }

    /** Publishes a snapshot as if a block had produced it; for a processor that no thread plays. */
    static void publishMeters (OvexjuceLoudnessAudioProcessor& p, const MeterSnapshot& snapshot)
    {
        p.meters = snapshot;
        p.publishedMeters.publish (snapshot);
    }

    /** Runs the run state alone, as a block without measuring would. */
    static void setRunning (OvexjuceLoudnessAudioProcessor& p, bool running)
    {
        p.sharedParameters[runFlagIndex].store (running ? 1.0f : 0.0f);
    }

    /** CSV rows the audio thread has queued with any report, for a thread that has stopped playing. */
    static juce::int64 reportRowsQueued (const OvexjuceLoudnessAudioProcessor& p) { return p.reportSession.queuedRows; }
    static const std::array<float, 6>& channelMomentary (const OvexjuceLoudnessAudioProcessor& p) { return p.channelMomentary; }
    static juce::TimeSliceThread& loudnessThread (OvexjuceLoudnessAudioProcessor& p) { return p.loudnessThread; }
    static OVEXLoudnessModule& loudnessModule (OvexjuceLoudnessAudioProcessor& p) { return p.loudnessModule; }
    // Single steps of the callback, each inside a block of its own.
    static void updateTruePeaks (OvexjuceLoudnessAudioProcessor& p, const float* levels, int count) { inBlock (p, [&] { p.updateTruePeaks (levels, count); }); }
    static int updateChannelTruePeak (OvexjuceLoudnessAudioProcessor& p, int c, float v) { int pixel = 0; inBlock (p, [&] { pixel = p.updateChannelTruePeak (c, v); }); return pixel; }
    static void updateMomentary (OvexjuceLoudnessAudioProcessor& p, float value) { inBlock (p, [&] { p.updateMomentary (value); }); }
    static void updateMaxTruePeak (OvexjuceLoudnessAudioProcessor& p, float highestHeld) { inBlock (p, [&] { p.reportSession.updateMaxTruePeak (highestHeld); }); }
    static void pollReports (OvexjuceLoudnessAudioProcessor& p) { p.reportSession.timerCallback(); }
    static OVEXReportLogger* openReportLogger (OvexjuceLoudnessAudioProcessor& p) { return p.reportSession.reportLogger.get(); }
    static void remoteTick (OvexjuceLoudnessAudioProcessor& p) { p.remoteFeed.sendBundle(); }
    static bool isRemoteFeedRunning (OvexjuceLoudnessAudioProcessor& p) { return p.remoteFeed.isFeeding(); }
    static int remotePort (const OvexjuceLoudnessAudioProcessor& p) { return p.remoteServer.getBoundPort(); }

private:
    template <typename Step>
    static void inBlock (OvexjuceLoudnessAudioProcessor& p, Step&& step)
    {
        p.beginBlock();
        step();
        p.endBlock();
    }
};
