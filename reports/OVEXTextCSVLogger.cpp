#include "OVEXTextCSVLogger.h"

#include "ReportText.h"

#include <vector>

OVEXTextCSVLogger::OVEXTextCSVLogger (juce::TimeSliceThread& timeSliceThread, int slots)
    : capacity (juce::jmax (2, slots)),
      batchSize (juce::jmax (1, capacity / 4)),
      fifo (capacity),
      thread (timeSliceThread),
      entries (new OVEXLogEntry[(size_t) capacity])
{
    thread.addTimeSliceClient (this, 0);
}

OVEXTextCSVLogger::~OVEXTextCSVLogger()
{
    thread.removeTimeSliceClient (this);
    writeQueued();
    reportLostEntries();
}

bool OVEXTextCSVLogger::writeQueued()
{
    while (useTimeSlice() == 0)
    {
    }

    return fifo.getNumReady() == 0;
}

void OVEXTextCSVLogger::setLogFile (const juce::File& reportXml)
{
    const juce::ScopedLock scope (lock);
    csvFile = csvCompanionOf (reportXml);
}

int OVEXTextCSVLogger::pushEntry (const OVEXLogEntry& entry) noexcept
{
    int start1, size1, start2, size2;
    fifo.prepareToWrite (1, start1, size1, start2, size2);

    if (size1 + size2 == 0)
    {
        droppedEntries.fetch_add (1, std::memory_order_relaxed);
        noteDrop (entry.time);
        return 0;
    }

    entries[(size_t) (size1 > 0 ? start1 : start2)] = entry;
    fifo.finishedWrite (1);
    return 1;
}

void OVEXTextCSVLogger::noteDrop (juce::Time time) noexcept
{
    constexpr auto countMask = (juce::uint64 (1) << dropCountBits) - 1;
    constexpr auto maxOffset = (juce::int64 (1) << (64 - dropCountBits)) - 1;
    const auto millis = time.toMilliseconds();
    auto unset = std::numeric_limits<juce::int64>::min();
    dropOrigin.compare_exchange_strong (unset, millis, std::memory_order_relaxed);
    const auto origin = dropOrigin.load (std::memory_order_relaxed);
    const auto offset = (juce::uint64) juce::jlimit (juce::int64 (0), maxOffset, millis - origin);
    lastDropMillis.store (millis, std::memory_order_relaxed);

    auto untaken = untakenDrops.load (std::memory_order_relaxed);
    juce::uint64 next;

    do
    {
        const auto count = untaken & countMask;
        const auto first = count == 0 ? offset : untaken >> dropCountBits;
        next = (first << dropCountBits) | juce::jmin (count + 1, countMask);
    } while (! untakenDrops.compare_exchange_weak (untaken, next, std::memory_order_release, std::memory_order_relaxed));
}

OVEXTextCSVLogger::DroppedRows OVEXTextCSVLogger::takeDroppedRows() noexcept
{
    const auto untaken = untakenDrops.exchange (0, std::memory_order_acquire);
    const auto count = (juce::int64) (untaken & ((juce::uint64 (1) << dropCountBits) - 1));

    if (count == 0)
        return {};

    const auto origin = dropOrigin.load (std::memory_order_relaxed);
    return { count, juce::Time (origin + (juce::int64) (untaken >> dropCountBits)),
             juce::Time (lastDropMillis.load (std::memory_order_relaxed)) };
}

int OVEXTextCSVLogger::useTimeSlice()
{
    const juce::ScopedLock scope (lock);

    if (csvFile == juce::File())
        return idleWaitMs;

    int start1, size1, start2, size2;
    fifo.prepareToRead (batchSize, start1, size1, start2, size2);

    if (size1 + size2 == 0)
        return idleWaitMs;

    const auto written = appendRows (start1, size1, start2, size2);
    fifo.finishedRead (written);
    return written == size1 + size2 ? 0 : idleWaitMs;
}

int OVEXTextCSVLogger::appendRows (int start1, int size1, int start2, int size2)
{
    juce::MemoryOutputStream text;
    std::vector<size_t> rowEnds;
    rowEnds.reserve ((size_t) (size1 + size2));

    if (csvFile.getSize() == 0)
        text << header;

    const auto headerBytes = text.getDataSize();

    auto addRows = [&] (int start, int size)
    {
        for (int i = start; i < start + size; ++i)
        {
            const auto& entry = entries[(size_t) i];
            text << csvTypeWord (entry.type) << ", " << formatOneDecimal (entry.value) << ", " << dateText (entry.time)
                 << ", " << timeText (entry.time) << "\r\n";
            rowEnds.push_back (text.getDataSize());
        }
    };

    addRows (start1, size1);
    addRows (start2, size2);

    const auto folder = csvFile.getParentDirectory().createDirectory();

    if (folder.failed())
    {
        failures.failed (csvFile, folder.getErrorMessage());
        return 0;
    }

    // Unbuffered, so the whole batch goes out in one write whose byte count is known.
    juce::FileOutputStream out (csvFile, 0);

    if (! out.openedOk())
    {
        failures.failed (csvFile, out.getStatus().getErrorMessage());
        return 0;
    }

    const auto start = out.getPosition();
    out.write (text.getData(), text.getDataSize());
    const auto done = (size_t) (out.getPosition() - start);

    if (done == text.getDataSize())
    {
        failures.succeeded (csvFile);
        return (int) rowEnds.size();
    }

    failures.failed (csvFile, out.getStatus().failed() ? out.getStatus().getErrorMessage() : juce::String ("short write"));

    int whole = 0;

    while (whole < (int) rowEnds.size() && rowEnds[(size_t) whole] <= done)
        ++whole;

    const auto keep = whole > 0 ? rowEnds[(size_t) whole - 1] : (done >= headerBytes ? headerBytes : 0);
    out.setPosition (start + (juce::int64) keep);
    out.truncate();
    return whole;
}

void OVEXTextCSVLogger::reportLostEntries()
{
    const auto dropped = droppedEntries.load();
    const auto unwritten = fifo.getNumReady();

    if (dropped == 0 && unwritten == 0)
        return;

    juce::StringArray losses;

    if (dropped > 0)
        losses.add (juce::String (dropped) + " dropped because the queue was full");

    if (unwritten > 0)
        losses.add (juce::String (unwritten) + " not written");

    const auto message = "Report file " + csvFile.getFullPathName() + " lost values: " + losses.joinIntoString (", ");
    juce::Logger::writeToLog (message);
}
