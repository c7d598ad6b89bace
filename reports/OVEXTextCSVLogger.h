#pragma once

#include "OVEXLogEntry.h"
#include "WriteFailureLog.h"

#include <juce_core/juce_core.h>

#include <atomic>
#include <limits>
#include <memory>

/** Appends a report's timed values to its CSV log. The audio thread queues entries through a
    lock-free ring (pushEntry: no lock, no allocation, no I/O); the "NOLV logger" time-slice thread
    writes them in batches. setLogFile and destruction run on the thread that starts and ends reports. */
class OVEXTextCSVLogger : public juce::TimeSliceClient
{
public:
    OVEXTextCSVLogger (juce::TimeSliceThread& thread, int capacity);

    /** Tries once more to write every entry still queued; lost values go to the framework log. */
    ~OVEXTextCSVLogger() override;

    /** The log becomes the report's CSV companion. Entries queued before stay queued until then. */
    void setLogFile (const juce::File& reportXml);

    /** Queues one entry: 1 when queued, 0 when the ring was full and the entry was dropped.
        Called by one producer thread at a time. */
    int pushEntry (const OVEXLogEntry& entry) noexcept;

    /** Writes one batch of at most a quarter of the ring. Returns 0 when the batch was written
        (call again at once), 100 when there was nothing to write or the file could not take it. */
    int useTimeSlice() override;

    /** Writes batches until the queue is empty or a write fails; true when nothing is left queued. */
    bool writeQueued();

    /** Rows that the full queue dropped since the last take, with the times of the first and the last. */
    struct DroppedRows
    {
        juce::int64 count = 0;
        juce::Time first, last;
    };

    /** What was dropped since the last call; called by the thread that starts and ends reports, while
        the producer may go on dropping. */
    DroppedRows takeDroppedRows() noexcept;

    /** Whether every entry queued so far is in the file. */
    bool isDrained() const { return fifo.getNumReady() == 0 && ! failures.isFailing(); }
    juce::String describeFailure() const { return failures.describeFailure(); }

    static constexpr int idleWaitMs = 100;

private:
    /** Appends the rows of both runs, the header first when the file is new or empty, and returns
        how many rows are whole on disk. A failed write is cut back to the last whole row, so the
        rest can be retried next turn without duplicating or tearing a line. */
    int appendRows (int start1, int size1, int start2, int size2);

    void reportLostEntries();
    void noteDrop (juce::Time time) noexcept;

    const int capacity;
    const int batchSize;
    juce::AbstractFifo fifo;
    juce::CriticalSection lock; // over csvFile and the writing of rows
    juce::TimeSliceThread& thread;
    const juce::String header { "Type, Value, Date, Time\r\n" };
    juce::File csvFile;
    std::unique_ptr<OVEXLogEntry[]> entries;
    std::atomic<juce::int64> droppedEntries { 0 };

    // Drops not yet taken, as one word so that a take never splits a count from its first time:
    // the count in the low bits, the first one's milliseconds after dropOrigin above them.
    static constexpr int dropCountBits = 24;
    std::atomic<juce::uint64> untakenDrops { 0 };
    std::atomic<juce::int64> dropOrigin { std::numeric_limits<juce::int64>::min() }; // the first drop's time
    std::atomic<juce::int64> lastDropMillis { 0 };
    WriteFailureLog failures;

    JUCE_DECLARE_NON_COPYABLE (OVEXTextCSVLogger)
};
