#pragma once

#include "OVEXTextCSVLogger.h"

#include <juce_core/juce_core.h>

#include <optional>

/** What the user is told of one report's files as they are written: the first failure, the
    recovery from it, and values the CSV log lost. Worked out from what the report's writers say at
    each look; message thread. */
class ReportNotices
{
public:
    /** A failure ("Report cannot be written", "<path>: <reason>"), a recovery, or lost values. A
        recovery names the message of the failure it mends. */
    struct Problem
    {
        juce::String title, message;
        juce::String failureMended; // empty but for a recovery
    };

    explicit ReportNotices (const juce::File& reportFile = {}) : report (reportFile) {}

    const juce::File& getReport() const noexcept { return report; }

    /** failure is the writers' "<path>: <reason>", empty while they write; dropped, the rows lost
        since the last look; final, that no more rows can come. The first failure is said and its
        recovery once; lost values go with that recovery, or are said once rows stop dropping, so
        that one slow spell is one notice with its whole span. */
    std::optional<Problem> look (const juce::String& failure, const OVEXTextCSVLogger::DroppedRows& dropped, bool final);

private:
    juce::String lostValuesText() const;

    juce::File report;
    juce::String failureShown;
    bool recoveryShown = false;
    OVEXTextCSVLogger::DroppedRows lost;
};
