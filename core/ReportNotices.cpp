#include "ReportNotices.h"

#include "ReportText.h"

std::optional<ReportNotices::Problem> ReportNotices::look (const juce::String& failure,
                                                           const OVEXTextCSVLogger::DroppedRows& dropped, bool final)
{
    if (dropped.count > 0)
    {
        lost.first = lost.count == 0 ? dropped.first : lost.first;
        lost.last = dropped.last;
        lost.count += dropped.count;
    }

    if (failure.isNotEmpty())
    {
        if (failureShown.isNotEmpty())
            return std::nullopt;

        failureShown = failure;
        return Problem { "Report cannot be written", failure, {} };
    }

    const auto path = report.getFullPathName();

    if (failureShown.isNotEmpty() && ! recoveryShown)
    {
        recoveryShown = true;
        auto message = "Report is written again: " + path;

        if (lost.count > 0)
            message << " (" << lostValuesText() << " were lost)";

        lost = {};
        return Problem { "Report is written again", message, failureShown };
    }

    if (lost.count == 0 || (dropped.count > 0 && ! final))
        return std::nullopt;

    auto message = "Report lost values: " + path + " (" + lostValuesText() + ")";
    lost = {};
    return Problem { "Report lost values", message, {} };
}

juce::String ReportNotices::lostValuesText() const
{
    return juce::String (lost.count) + " values from " + dateTimeText (lost.first) + " to " + dateTimeText (lost.last);
}
