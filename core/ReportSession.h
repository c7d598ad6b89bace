#pragma once

#include "LevelHelpers.h"

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
    bool isOpen() const noexcept { return owned != nullptr; }
    juce::File getOpenReport() const { return owned != nullptr ? ownedNotices.report : juce::File(); }

    /** A report's files cannot be written ("Report cannot be written", "<path>: <reason>"), or are
        written again; a recovery names the message of the failure it mends. */
    struct Problem
    {
        juce::String title, message;
        juce::String failureMended; // empty for a failure
    };

    /** Told on the message thread, within a second, of each failure and recovery; once each per
        report. */
    using ProblemHandler = std::function<void (const Problem&)>;
    void setProblemHandler (ProblemHandler handler) { problemHandler = std::move (handler); }

    // Audio thread.
    void beginBlock() noexcept;
    void endBlock() noexcept;
    void resetMaxima() noexcept;
    void momentary (float level, const juce::String& unit) noexcept;
    void shortTerm (float level, const juce::String& unit) noexcept;
    void truePeak (float highestHeld) noexcept;

private:
    friend struct ProcessorTestAccess;

    using LogCall = int (OVEXReportLogger::*) (juce::Time, float) noexcept;
    using MaximumCall = void (OVEXReportLogger::*) (const juce::String&, juce::Time, float) noexcept;

    /** Logs the value and keeps it when it is a new maximum; returns the time it was logged at. */
    juce::Time logAndHold (LogCall log, MaximumCall setMaximum, float& maximum, float level, const juce::String& unit) noexcept;
    void timerCallback() override;
    bool hasRunADay (juce::Time startTime) const;
    void writeRunningValues (juce::Time now);

    struct Notices
    {
        juce::File report;
        juce::String failureShown;
        bool recoveryShown = false;
    };

    struct Finishing
    {
        std::unique_ptr<OVEXReportLogger> logger;
        Notices notices;
    };

    void showProblems (const OVEXReportLogger& logger, Notices& notices);

    const Clock& clock;
    const std::function<Measured()> measured;
    const std::function<void()> rotate;

    // Message thread.
    std::unique_ptr<OVEXReportLogger> owned;
    Notices ownedNotices;
    std::vector<Finishing> finishing;
    ProblemHandler problemHandler;
    juce::Time startTime;
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
    juce::int64 queuedRows = 0; // CSV rows handed to any logger, for the tests' count of lost rows
};
