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
    jassert (reportLogger == nullptr);

    // Destroying a logger whose final writes failed gives them one last try.
    finishing.clear();
}

//==============================================================================
juce::File ReportSession::buildLogFile (const juce::String& folderText, const juce::String& baseName)
{
    reportStartTime = clock();
    return makeReportFile (folderText, baseName, reportStartTime);
}

void ReportSession::start (const juce::String& folderText, const juce::String& baseName)
{
    jassert (reportLogger == nullptr);
    const auto file = buildLogFile (folderText, baseName);
    std::cout << file.getFullPathName() << std::flush;

    // Set up completely before the audio thread can reach it.
    reportLogger = std::make_unique<OVEXReportLogger>();
    reportLogger->setLogFile (file);
    reportLogger->setTitle ("QIT51Log");
    reportLogger->setStartTime (reportStartTime);
    openNotices = ReportNotices { file };
    written = Measured { std::numeric_limits<float>::quiet_NaN(), 0.0f, 0.0f };
    upTimeWritten = reportStartTime;

    // The new generation is visible to a block that sees the new logger: its maxima start afresh.
    startMillis.store (reportStartTime.toMilliseconds(), std::memory_order_relaxed);
    generation.fetch_add (1, std::memory_order_seq_cst);
    shared.store (reportLogger.get(), std::memory_order_seq_cst);
    startTimer (pollIntervalMs);
}

void ReportSession::finish()
{
    if (reportLogger == nullptr)
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
    reportLogger->setStopTime (now);
    auto logger = std::move (reportLogger);

    // A report that a full disk or a vanished folder keeps from completing stays alive, its thread
    // retrying, until its files hold everything.
    const bool finished = logger->finish();
    showProblems (*logger, openNotices, true);

    if (! finished)
        finishing.push_back ({ std::move (logger), openNotices });
}

void ReportSession::showProblems (OVEXReportLogger& logger, ReportNotices& notices, bool final)
{
    const auto problem = notices.look (logger.describeFailure(), logger.takeDroppedRows(), final);

    if (problem.has_value() && problemHandler != nullptr)
        problemHandler (*problem);
}

bool ReportSession::hasRunADay (juce::Time start) const
{
    return clock() > start + juce::RelativeTime::days (1.0);
}

/** The integrated loudness and range when they changed, or every 10 s, with the up time, in one
    step; a steady run does not rewrite its report every second. */
void ReportSession::writeRunningValues (juce::Time now)
{
    const auto values = measured();
    const bool changed = ! (values.measurementStandard == written.measurementStandard
                            && values.integratedLevel == written.integratedLevel
                            && values.loudnessRange == written.loudnessRange);

    if (! changed && now - upTimeWritten < juce::RelativeTime::seconds (10.0))
        return;

    reportLogger->setRunningValues (unitFor (values.measurementStandard), values.integratedLevel, "LU", values.loudnessRange,
                                    (now - reportStartTime).inSeconds());
    written = values;
    upTimeWritten = now;
}

void ReportSession::timerCallback()
{
    // The rotation stops threads and opens files, so the audio thread only asks for it.
    if (rotationDue.exchange (false, std::memory_order_acq_rel) && reportLogger != nullptr && hasRunADay (reportStartTime))
        rotate();

    if (reportLogger != nullptr)
    {
        writeRunningValues (clock());
        showProblems (*reportLogger, openNotices, false);
    }

    for (auto& report : finishing)
        showProblems (*report.logger, report.notices, true);

    finishing.erase (std::remove_if (finishing.begin(), finishing.end(), [] (const auto& report) { return report.logger->isFinished(); }),
                     finishing.end());

    if (reportLogger == nullptr && finishing.empty())
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

void ReportSession::updateMaxMomentary (float level, const juce::String& unit) noexcept
{
    if (blockLogger == nullptr)
        return;

    const auto now = clock();
    queuedRows += blockLogger->logMomentary (now, roundToTenth (level));

    if (level > maxMomentary)
    {
        maxMomentary = roundToTenth (level);
        maxMomentaryTime = now;
        blockLogger->setMaxMomentary (unit, maxMomentaryTime, maxMomentary);
    }

    if (now > juce::Time (startMillis.load (std::memory_order_relaxed)) + juce::RelativeTime::days (1.0))
        rotationDue.store (true, std::memory_order_release);
}

void ReportSession::updateMaxShortTerm (float level, const juce::String& unit) noexcept
{
    if (blockLogger == nullptr)
        return;

    const auto now = clock();
    queuedRows += blockLogger->logShortTerm (now, roundToTenth (level));

    if (level > maxShortTerm)
    {
        maxShortTerm = roundToTenth (level);
        blockLogger->setMaxShortTerm (unit, now, maxShortTerm);
    }
}

void ReportSession::updateMaxTruePeak (float highestHeld) noexcept
{
    if (blockLogger == nullptr || ! (highestHeld > maxTruePeak))
        return;

    maxTruePeak = roundToTenth (highestHeld);
    maxTruePeakTime = clock();
    blockLogger->setMaxTruePeak (unitDBTP(), maxTruePeakTime, maxTruePeak);
}
