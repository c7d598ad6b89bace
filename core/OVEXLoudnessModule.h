#pragma once

#include "KWeightingFilterBank.h"
#include "LevelHelpers.h"
#include "OVEXLoudnessHistogram.h"
#include "OVEXSlidingWindowFifo.h"
#include "WindowEnergy.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <array>
#include <atomic>
#include <memory>

/** The loudness module's latest values; levels in dB (the range in LU), -70.0 for none. */
struct LoudnessResult
{
    float momentary = noLoudnessValue;
    float shortTerm = noLoudnessValue;
    float integrated = noLoudnessValue;
    float loudnessRange = noLoudnessValue;
    float loudnessRangeLow = noLoudnessValue;
    float loudnessRangeHigh = noLoudnessValue;
};

/** One new value of the loudness computation, handed over whole with what was computed with it:
    a momentary value carries the integrated loudness and the per-channel levels of its window,
    a short-term value the loudness range and its bounds. */
struct LoudnessValue
{
    enum Kind { momentary, shortTerm };

    Kind kind = momentary;
    float level = noLoudnessValue;
    float integrated = noLoudnessValue;
    float loudnessRange = noLoudnessValue, loudnessRangeLow = noLoudnessValue, loudnessRangeHigh = noLoudnessValue;
    std::array<float, 6> channelMomentary {};
    juce::uint32 resetGeneration = 0;
};

/** The loudness measuring engine: K-weights each six-channel block and queues it (audio thread);
    every 50 ms on the loudness thread takes at most one 400 ms window (hop 100 ms, momentary) and one
    3 s window (hop ~600 ms, short-term), and while running feeds the integrated loudness and
    loudness range histograms.

    Threads: pushBlock, takeNewValues, setRunning and the gating switches on the audio thread;
    useTimeSlice on the loudness thread; prepare, release and resetAll on the message thread.
    Every new value goes through a single-producer, single-consumer queue, so the audio thread
    handles each exactly once whatever its block length. Resets of queues, histograms and results
    are requests that the loudness thread carries out at the top of its next computation; values
    computed before a reset are not handed over after it, and the filters are reset by the audio
    thread before the next block it pushes. prepare must not run while the module is on a
    time-slice thread. */
class OVEXLoudnessModule : public juce::TimeSliceClient
{
public:
    explicit OVEXLoudnessModule (bool threaded);
    ~OVEXLoudnessModule() override;

    void prepare (int blockSize, double sampleRate);
    void releaseResources() {}

    /** Drops the values computed but not yet taken, keeping the histograms. Only while neither the
        computing thread nor the consumer runs: a device stopped, its values would otherwise be
        handed over after the restart as if they were new. */
    void discardUntakenValues() { values.reset(); }

    /** Values computed and not yet taken; any thread. */
    int numValuesWaiting() const noexcept { return values.getNumReady(); }

    void pushBlock (const juce::AudioSampleBuffer& block);
    int useTimeSlice() override;

    /** Consumer: hands every value computed since the last call to use, oldest first; returns how many. */
    template <typename Use>
    int takeNewValues (Use&& use)
    {
        const auto generation = resetGeneration.load (std::memory_order_acquire);
        int start1, size1, start2, size2;
        values.prepareToRead (values.getNumReady(), start1, size1, start2, size2);
        int taken = 0;

        for (int i = 0; i < size1 + size2; ++i)
        {
            const auto& value = valueSlots[(size_t) (i < size1 ? start1 + i : start2 + i - size1)];

            if (value.resetGeneration == generation)
            {
                use (value);
                ++taken;
            }
        }

        values.finishedRead (size1 + size2);
        return taken;
    }

    /** The latest values as the computing thread sees them: for that thread, or once it has stopped. */
    void getSnapshot (LoudnessResult& destination) const;

    void resetFifos();
    void resetFilters();
    void resetAll();

    void setRunning (bool shouldRun);
    bool isRunning() const noexcept { return running.load (std::memory_order_relaxed); }

    void enableGating();
    void disableGating();

private:
    void setFilterCoefficients();
    void rebuildWindows();
    void filterChannels (const juce::AudioSampleBuffer& block);
    void computeLoudness();
    void carryOutRequestedReset();
    void publish (const LoudnessValue& value);

    /** Channel-weighted loudness of a window from its sums of squares, rounded and limited to -70.0 .. 0.0;
        false when the window's energy is not finite. */
    bool weightedLoudness (const std::array<double, 6>& sumsOfSquares, int windowLength, int numChannels,
                           float& loudness, float* perChannel) const;

    double sampleRate = 0.0;
    int momentaryLength = 0;
    int shortTermLength = 0;
    const std::array<float, 6> channelWeights { 1.0f, 1.0f, 1.0f, 0.0f, 1.41f, 1.41f };
    std::unique_ptr<OVEXSlidingWindowFifo> momentaryFifo, shortTermFifo;
    std::unique_ptr<WindowEnergy> momentaryEnergy, shortTermEnergy; // the loudness thread's readers of the FIFOs
    OVEXLoudnessHistogram integratedHistogram { true };
    OVEXLoudnessHistogram rangeHistogram { true };
    KWeightingFilterBank filters;
    juce::AudioSampleBuffer inputCopy;
    LoudnessResult result;
    std::atomic<bool> running { false };
    const bool threaded;

    // Far more than one block of any length delivers between two takes; a full queue drops the new value.
    static constexpr int valueCapacity = 64;
    juce::AbstractFifo values { valueCapacity };
    std::array<LoudnessValue, valueCapacity> valueSlots;
    std::atomic<juce::uint32> resetGeneration { 0 };
    juce::uint32 carriedOutGeneration = 0;
    std::atomic<bool> filterResetRequested { false };
    std::atomic<int> numChannelsPushed { 6 };

    JUCE_DECLARE_NON_COPYABLE (OVEXLoudnessModule)
};
