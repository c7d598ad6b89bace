#pragma once

#include "LoudnessSeries.h"

#include <juce_core/juce_core.h>

#include <array>
#include <functional>
#include <optional>

/** One report as the log page shows it: the texts of its summary and its loudness history, or why
    it cannot be read. Built off the message thread by readReport and handed over whole. */
struct ReportReading
{
    /** The summary's texts; the duration is shown twice. */
    enum Text
    {
        title,
        start,
        end,
        duration,
        integratedValue,
        integratedUnit,
        rangeValue,
        rangeUnit,
        maxShortTermValue,
        maxShortTermUnit,
        maxShortTermPosition,
        maxMomentaryValue,
        maxMomentaryUnit,
        maxMomentaryPosition,
        maxTruePeakValue,
        maxTruePeakUnit,
        maxTruePeakPosition,
        numTexts
    };

    juce::File reportFile;

    /** Why the report cannot be read, in the user's words; empty when it was read. */
    juce::String refusal;

    /** What the report gives each text. Each group is a chain: an element missing stops its group,
        and the texts after it have none, so that what is shown there stays. */
    std::array<std::optional<juce::String>, numTexts> texts;

    /** From its "DynamicMeasurements" when it holds them, else from its CSV log (no points when
        there is none or it cannot be read). */
    LoudnessSeries series;

    /** The graph's summary of the whole series, worked out here since it grows with the report. */
    juce::StringArray summaryOfAll;

    /** Reads the CSV log beside reportFile into series while isWanted() says so; a log that is
        missing, no regular file or too large gives no points. */
    void readCsvCompanion (const std::function<bool()>& isWanted);
};

/** Whether the summary's histograms gate, as the graph's do when the report is asked for. */
struct SummaryGating
{
    bool momentary = true, shortTerm = true;
};

/** Reads a report whose name ends in ".xml" exactly, through the XML guard, and its CSV log. The
    log is read while isWanted() says so; a reading stopped early is of no use. Any thread. */
ReportReading readReport (const juce::File& report, SummaryGating gating, const std::function<bool()>& isWanted);
