#include "ReportSession.h"

#include "DefaultLogLocations.h"
#include "OVEXReportLogger.h"

#include <algorithm>
#include <limits>
#include <iostream>
#include <thread>

namespace
{
constexpr int pollIntervalMs = 500;

// Built before the audio thread can use them, so that passing a unit from there only copies a reference.
const juce::String& unitLUFS() { static const juce::String text ("LUFS"); return text; }
const juce::String& unitLKFS() { static const juce::String text ("LKFS"); return text; }
const juce::String& unitDBTP() { static const juce::String text ("dBTP"); return text; }
} // namespace

const juce::String& ReportSession::unitFor (float measurementStandard)
{
    return measurementStandard == 0.0f ? unitLUFS() : unitLKFS();
}

ReportSession::ReportSession (const Clock& c, std::function<Measured()> measuredValues, std::function<void()> rotateReport)
    : clock (c), measured (std::move (measuredValues)), rotate (std::move (rotateReport))
{
    unitLUFS(), unitLKFS(), unitDBTP();
}

ReportSession::~ReportSession()
{
    stopTimer();
    jassert (owned == nullptr);

    // Destroying a logger whose final writes failed gives them one last try.
    finishing.clear();
}

//==============================================================================
void ReportSession::start (const juce::String& folderText, const juce::String& baseName)
{
    jassert (owned == nullptr);
    startTime = clock();
    const auto file = makeReportFile (folderText, baseName, startTime);
    std::cout << file.getFullPathName() << std::flush;

    // Set up completely before the audio thread can reach it.
    owned = std::make_unique<OVEXReportLogger>();
    owned->setLogFile (file);
    owned->setTitle ("QIT51Log");
    owned->setStartTime (startTime);
    ownedNotices = Notices { file };
    written = Measured { std::numeric_limits<float>::quiet_NaN(), 0.0f, 0.0f };
    upTimeWritten = startTime;

    // The new generation is visible to a block that sees the new logger: its maxima start afresh.
    startMillis.store (startTime.toMilliseconds(), std::memory_order_relaxed);
    generation.fetch_add (1, std::memory_order_seq_cst);
    shared.store (owned.get(), std::memory_order_seq_cst);
    startTimer (pollIntervalMs);
}

void ReportSession::finish()
{
    if (owned == nullptr)
        return;

    shared.store (nullptr, std::memory_order_seq_cst);

    // A block that began before the store may still hold the logger; one that begins after cannot.
    // Blocks never wait, so this wait is at most one block long.
    if (const auto count = blockCount.load (std::memory_order_seq_cst); (count & 1) != 0)
        while (blockCount.load (std::memory_order_acquire) == count)
            std::this_thread::yield();

    const auto now = clock();
    written.measurementStandard = std::numeric_limits<float>::quiet_NaN(); // the end values, whatever they are
    writeRunningValues (now);
    owned->setUpTime ((now - startTime).inSeconds());
    owned->setStopTime (now);
    auto logger = std::move (owned);

    // A report that a full disk or a vanished folder keeps from completing stays alive, its thread
    // retrying, until its files hold everything.
    const bool finished = logger->finish();
    showProblems (*logger, ownedNotices);

    if (! finished)
        finishing.push_back ({ std::move (logger), ownedNotices });
}

void ReportSession::showProblems (const OVEXReportLogger& logger, Notices& notices)
{
    const auto failure = logger.describeFailure();

    if (problemHandler == nullptr)
        return;

    if (failure.isNotEmpty() && notices.failureShown.isEmpty())
    {
        notices.failureShown = failure;
        problemHandler ({ "Report cannot be written", failure, {} });
    }
    else if (failure.isEmpty() && notices.failureShown.isNotEmpty() && ! notices.recoveryShown)
    {
        notices.recoveryShown = true;
        problemHandler ({ "Report is written again", "Report is written again: " + notices.report.getFullPathName(), notices.failureShown });
    }
}

bool ReportSession::hasRunADay (juce::Time start) const
{
    return clock() > start + juce::RelativeTime::days (1.0);
}

/** The integrated loudness and range when they changed, and with them the up time; the up time on
    its own only every 10 s, so that a steady run does not rewrite its report every second. */
void ReportSession::writeRunningValues (juce::Time now)
{
    const auto values = measured();
    const bool changed = ! (values.measurementStandard == written.measurementStandard
                            && values.integratedLevel == written.integratedLevel
                            && values.loudnessRange == written.loudnessRange);

    if (changed)
    {
        owned->setIntegratedLoudness (unitFor (values.measurementStandard), values.integratedLevel);
        owned->setLoudnessRange ("LU", values.loudnessRange);
        written = values;
    }

    if (changed || now - upTimeWritten >= juce::RelativeTime::seconds (10.0))
    {
        owned->setUpTime ((now - startTime).inSeconds());
        upTimeWritten = now;
    }
}

void ReportSession::timerCallback()
{
    // The rotation stops threads and opens files, so the audio thread only asks for it.
    if (rotationDue.exchange (false, std::memory_order_acq_rel) && owned != nullptr && hasRunADay (startTime))
        rotate();

    if (owned != nullptr)
    {
        writeRunningValues (clock());
        showProblems (*owned, ownedNotices);
    }

    for (auto& report : finishing)
        showProblems (*report.logger, report.notices);

    finishing.erase (std::remove_if (finishing.begin(), finishing.end(), [] (const auto& report) { return report.logger->isFinished(); }),
                     finishing.end());

    if (owned == nullptr && finishing.empty())
        stopTimer();
}

//==============================================================================
void ReportSession::beginBlock() noexcept
{
    blockCount.fetch_add (1, std::memory_order_seq_cst);
    blockLogger = shared.load (std::memory_order_seq_cst);

    if (const auto current = generation.load (std::memory_order_acquire); current != seenGeneration)
    {
        seenGeneration = current;
        resetMaxima();
    }
}

void ReportSession::endBlock() noexcept
{
    blockLogger = nullptr;
    blockCount.fetch_add (1, std::memory_order_release);
}

void ReportSession::resetMaxima() noexcept
{
    maxMomentary = maxShortTerm = maxTruePeak = noLoudnessValue;
}

juce::Time ReportSession::logAndHold (LogCall log, MaximumCall setMaximum, float& maximum, float level,
                                      const juce::String& unit) noexcept
{
    const auto now = clock();
    queuedRows += (blockLogger->*log) (now, roundToTenth (level));

    if (level > maximum)
    {
        maximum = roundToTenth (level);
        (blockLogger->*setMaximum) (unit, now, maximum);
    }

    return now;
}

void ReportSession::momentary (float level, const juce::String& unit) noexcept
{
    if (blockLogger == nullptr)
        return;

    const auto now = logAndHold (&OVEXReportLogger::logMomentary, &OVEXReportLogger::setMaxMomentary, maxMomentary, level, unit);

    if (now > juce::Time (startMillis.load (std::memory_order_relaxed)) + juce::RelativeTime::days (1.0))
        rotationDue.store (true, std::memory_order_release);
}

void ReportSession::shortTerm (float level, const juce::String& unit) noexcept
{
    if (blockLogger != nullptr)
        logAndHold (&OVEXReportLogger::logShortTerm, &OVEXReportLogger::setMaxShortTerm, maxShortTerm, level, unit);
}

void ReportSession::truePeak (float highestHeld) noexcept
{
    if (blockLogger == nullptr || ! (highestHeld > maxTruePeak))
        return;

    maxTruePeak = roundToTenth (highestHeld);
    blockLogger->setMaxTruePeak (unitDBTP(), clock(), maxTruePeak);
}
