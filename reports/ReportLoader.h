#pragma once

#include "ReportReading.h"

#include <juce_events/juce_events.h>

#include <atomic>
#include <functional>
#include <optional>
#include <vector>

/** Reads the reports the log page selects on its own "NOLV report loader" thread and hands each
    reading to the message thread. A load asked for while another is under way supersedes it: the
    earlier one stops at its next block and only the latest reading arrives. load() and onRead run
    on the message thread; onRead may leave in the reading what it no longer needs, which goes on
    the loader's thread. */
class ReportLoader : private juce::TimeSliceClient,
                     private juce::AsyncUpdater
{
public:
    explicit ReportLoader (std::function<void (ReportReading&)> onRead);
    ~ReportLoader() override;

    void load (const juce::File& report, SummaryGating gating);

    /** Hands a finished reading over at once rather than at the next turn of the message loop. */
    void dispatchPendingReading() { handleUpdateNowIfNeeded(); }

    /** Called on the loading thread before each reading starts; set it before the first load.
        Tests hold the loader here. */
    std::function<void()> beforeReading;

    /** Tests stop it and turn its client by hand. */
    juce::TimeSliceThread& getLoadingThread() noexcept { return loadingThread; }

private:
    int useTimeSlice() override;
    void handleAsyncUpdate() override;
    bool isLatest (juce::uint32 generation) const noexcept { return ! stopping && latest == generation; }

    const std::function<void (ReportReading&)> onRead;
    std::atomic<juce::uint32> latest { 0 }; // the message thread counts loads
    std::atomic<bool> stopping { false };

    // The load asked for and the reading finished, each with its generation, under lock.
    juce::CriticalSection lock;
    std::optional<juce::File> requested;
    SummaryGating requestedGating;
    juce::uint32 requestedGeneration = 0;
    std::optional<ReportReading> finished;
    juce::uint32 finishedGeneration = 0;

    // What onRead left of a reading (the history it replaced), freed here rather than on the
    // message thread; under lock.
    std::vector<ReportReading> shown;

    // Last, so that it stops before anything it uses goes.
    juce::TimeSliceThread loadingThread { "NOLV report loader" };

    JUCE_DECLARE_NON_COPYABLE (ReportLoader)
};
