#include "ReportLoader.h"

namespace
{
// Asked for again this soon when idle, in case a load came just as the last slice ended (a load
// otherwise wakes the thread at once).
constexpr int idleMilliseconds = 500;
} // namespace

ReportLoader::ReportLoader (std::function<void (ReportReading&)> readingCallback)
    : onRead (std::move (readingCallback))
{
    loadingThread.addTimeSliceClient (this);
    loadingThread.startThread();
}

ReportLoader::~ReportLoader()
{
    stopping = true;
    loadingThread.removeTimeSliceClient (this);
    loadingThread.stopThread (10000);
    cancelPendingUpdate();
}

void ReportLoader::load (const juce::File& report, SummaryGating gating)
{
    {
        const juce::ScopedLock sl (lock);
        requested = report;
        requestedGating = gating;
        requestedGeneration = ++latest;
    }

    loadingThread.moveToFrontOfQueue (this);
}

int ReportLoader::useTimeSlice()
{
    juce::File report;
    SummaryGating gating;
    juce::uint32 generation = 0;
    std::vector<ReportReading> done;

    {
        const juce::ScopedLock sl (lock);
        done.swap (shown);

        if (! requested.has_value())
            return idleMilliseconds;

        report = *std::exchange (requested, std::nullopt);
        gating = requestedGating;
        generation = requestedGeneration;
    }

    done.clear();

    if (beforeReading != nullptr)
        beforeReading();

    if (! isLatest (generation))
        return 0;

    auto reading = readReport (report, gating, [this, generation] { return isLatest (generation); });

    if (! isLatest (generation))
        return 0;

    {
        const juce::ScopedLock sl (lock);
        finished = std::move (reading);
        finishedGeneration = generation;
    }

    triggerAsyncUpdate();
    return 0;
}

void ReportLoader::handleAsyncUpdate()
{
    std::optional<ReportReading> reading;

    {
        const juce::ScopedLock sl (lock);

        if (finished.has_value() && finishedGeneration == latest)
            reading = std::move (finished);

        finished.reset();
    }

    if (! reading.has_value())
        return;

    onRead (*reading);

    {
        const juce::ScopedLock sl (lock);
        shown.push_back (std::move (*reading));
    }

    loadingThread.moveToFrontOfQueue (this);
}
