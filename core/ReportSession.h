#pragma once

#include "LevelHelpers.h"
#include "ReportNotices.h"

#include <juce_events/juce_events.h>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

class OVEXReportLogger;

/** The open report of a measurement run: started and finished on the message thread, fed with each
    new value and maximum by the audio thread, rotated after a day, and kept alive after its finish
    until its final writes have succeeded.

    The audio thread reaches the logger through an atomic pointer that it loads once per block
    (beginBlock .. endBlock). finish() takes the pointer away and waits only until the callback has
    left a block that may still hold it, so the audio thread never waits for the message thread, and
    a finished logger has every value the callback gave it. The maxima belong to the audio thread. */
class ReportSession : private juce::Timer
{
public:
    using Clock = std::function<juce::Time()>;

    /** What the report's summary shows of the measurement, as the message thread reads it. */
    struct Measured
    {
        float measurementStandard = 0.0f;
        float integratedLevel = noLoudnessValue;
        float loudnessRange = noLoudnessValue;
    };

    /** measured is read on the message thread while a report runs, so that a report whose run is
        killed still holds its results of a second ago, and when it finishes. rotate is called on the
        message thread when the open report has run for a day; it is expected to finish the report,
        reset the meters and start the next one, in that order. */
    ReportSession (const Clock& clock, std::function<Measured()> measured, std::function<void()> rotate);
    ~ReportSession() override;

    /** "LUFS" for the EBU standard (exactly 0), "LKFS" for any other; safe on the audio thread. */
    static const juce::String& unitFor (float measurementStandard);

    // Message thread.
    /** Opens a report in folderText named after baseName and the start time; names its file on
        standard output. Finish the open one first. */
    void start (const juce::String& folderText, const juce::String& baseName);
    /** Completes the open report with its end values; nothing when none is open. */
    void finish();
    bool isOpen() const noexcept { return reportLogger != nullptr; }
    juce::File getOpenReport() const { return reportLogger != nullptr ? openNotices.getReport() : juce::File(); }

    using Problem = ReportNotices::Problem;

    /** Told on the message thread, within a second: each report's first failure and its recovery,
        once each, and values that the report lost while it was written. */
    using ProblemHandler = std::function<void (const Problem&)>;
    void setProblemHandler (ProblemHandler handler) { problemHandler = std::move (handler); }

    // Audio thread.
    void beginBlock() noexcept;
    void endBlock() noexcept;
    void resetMaxima() noexcept;
    void updateMaxMomentary (float level, const juce::String& unit) noexcept;
    void updateMaxShortTerm (float level, const juce::String& unit) noexcept;
    void updateMaxTruePeak (float highestHeld) noexcept;

private:
    friend struct ProcessorTestAccess;

    /** Takes the start time and makes the report's file from it. */
    juce::File buildLogFile (const juce::String& folderText, const juce::String& baseName);

    void timerCallback() override;
    bool hasRunADay (juce::Time startTime) const;
    void writeRunningValues (juce::Time now);

    struct Finishing
    {
        std::unique_ptr<OVEXReportLogger> logger;
        ReportNotices notices;
    };

    /** Tells the handler what the logger's files went through since the last call. */
    void showProblems (OVEXReportLogger& logger, ReportNotices& notices, bool final);

    const Clock& clock;
    const std::function<Measured()> measured;
    const std::function<void()> rotate;

    // Message thread.
    std::unique_ptr<OVEXReportLogger> reportLogger; // null while no report is open
    ReportNotices openNotices;
    std::vector<Finishing> finishing;
    ProblemHandler problemHandler;
    juce::Time reportStartTime;
    Measured written;
    juce::Time upTimeWritten;

    // Handed from the message thread to the audio thread.
    std::atomic<OVEXReportLogger*> shared { nullptr };
    std::atomic<juce::uint32> generation { 0 };
    std::atomic<juce::int64> startMillis { 0 };
    std::atomic<juce::uint64> blockCount { 0 }; // odd while the audio thread is inside a block
    std::atomic<bool> rotationDue { false };

    // Audio thread.
    OVEXReportLogger* blockLogger = nullptr;
    juce::uint32 seenGeneration = 0;
    float maxMomentary = noLoudnessValue, maxShortTerm = noLoudnessValue, maxTruePeak = noLoudnessValue;
    juce::Time maxMomentaryTime, maxTruePeakTime;
    juce::int64 queuedRows = 0; // CSV rows handed to any logger, for the tests' count of lost rows
};
