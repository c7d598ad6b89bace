#pragma once

#include "OVEXLoudnessHistogram.h"
#include "OVEXSlidingWindowFifo.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <array>
#include <atomic>
#include <memory>

/** The values the loudness module publishes; levels in dB (the range in LU), -70.0 for none.
    Each stamp is the one given with the block pushed last before the value was computed. */
struct LoudnessResult
{
    float momentary = -70.0f;
    juce::uint32 momentaryTime = 0;
    float shortTerm = -70.0f;
    juce::uint32 shortTermTime = 0;
    float integrated = -70.0f;
    juce::uint32 integratedTime = 0;
    float loudnessRange = -70.0f;
    juce::uint32 loudnessRangeTime = 0;
    float loudnessRangeLow = -70.0f;
    float loudnessRangeHigh = -70.0f;
    juce::uint32 loudnessRangeBoundsTime = 0;
};

/** The loudness measuring engine: K-weights each six-channel block and queues it (audio thread);
    every 50 ms on the loudness thread takes at most one 400 ms window (hop 100 ms, momentary) and one
    3 s window (hop ~600 ms, short-term), and while running feeds the integrated loudness and
    loudness range histograms.

    Threads: pushBlock, setRunning and the gating switches on the audio thread; useTimeSlice on the
    loudness thread; prepare, release and resetAll on the message thread. Resets of queues and
    histograms are requests that the loudness thread carries out at the top of its next computation.
    prepare must not run while the module is on a time-slice thread. */
class OVEXLoudnessModule : public juce::TimeSliceClient
{
public:
    explicit OVEXLoudnessModule (bool threaded);
    ~OVEXLoudnessModule() override;

    void prepare (int blockSize, double sampleRate);
    void releaseResources() {}

    void pushBlock (const juce::AudioSampleBuffer& block, juce::uint32 stamp);
    int useTimeSlice() override;

    void getSnapshot (LoudnessResult& destination) const;
    void getChannelMomentary (float* destination, int count) const;

    void resetFifos();
    void resetFilters();
    void resetAll();

    void setRunning (bool shouldRun);
    bool isRunning() const noexcept { return running.load (std::memory_order_relaxed); }

    void enableGating();
    void disableGating();

    /** Each new momentary or short-term value increments its counter once, after the result holds it,
        so a reader can handle every value exactly once whatever its block length. */
    juce::uint32 getMomentarySequence() const noexcept { return momentarySequence.load (std::memory_order_acquire); }
    juce::uint32 getShortTermSequence() const noexcept { return shortTermSequence.load (std::memory_order_acquire); }

    int getMomentaryLength() const noexcept { return momentaryLength; }
    int getShortTermLength() const noexcept { return shortTermLength; }

    // Set from the computation that produced a value until the start of the next computation.
    std::atomic<bool> newMomentary { false };
    std::atomic<bool> newShortTerm { false };

private:
    void setFilterCoefficients();
    void rebuildWindows();
    void filterChannels();
    void computeLoudness();
    void carryOutRequestedResets();

    /** Reads the next window of a FIFO and gives each channel's sum of squares, without copying the window. */
    static std::array<double, 6> readWindowEnergy (OVEXSlidingWindowFifo& fifo, int windowLength, int numChannels);

    /** Channel-weighted loudness of a window from its sums of squares, rounded and limited to -70.0 .. 0.0;
        false when the window's energy is not finite. */
    bool weightedLoudness (const std::array<double, 6>& sumsOfSquares, int windowLength, int numChannels,
                           float& loudness, float* perChannel) const;

    double sampleRate = 0.0;
    int momentaryLength = 0;
    int shortTermLength = 0;
    const std::array<float, 6> channelWeights { 1.0f, 1.0f, 1.0f, 0.0f, 1.41f, 1.41f };
    std::array<std::atomic<float>, 6> channelMomentary;
    std::unique_ptr<OVEXSlidingWindowFifo> momentaryFifo, shortTermFifo;
    OVEXLoudnessHistogram integratedHistogram { true };
    OVEXLoudnessHistogram rangeHistogram { true };
    std::array<juce::IIRFilter, 6> preFilters, rlbFilters;
    juce::AudioSampleBuffer inputCopy;
    LoudnessResult result;
    std::atomic<bool> running { false };
    juce::uint32 blockTime = 0;
    const bool threaded;

    std::atomic<juce::uint32> momentarySequence { 0 }, shortTermSequence { 0 };
    std::atomic<bool> histogramResetRequested { false };
    std::atomic<bool> filterResetRequested { false };
    std::atomic<int> numChannelsPushed { 6 };

    JUCE_DECLARE_NON_COPYABLE (OVEXLoudnessModule)
};
