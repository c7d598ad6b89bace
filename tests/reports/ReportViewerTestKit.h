#pragma once

#include "ReportFiles.h"
#include "WaitUntil.h"

#include <juce_events/juce_events.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

// Shared by the report viewer's tests: CSV logs written byte for byte, and change messages counted.
namespace viewertest
{
struct ChangeCounter : public juce::ChangeListener
{
    void changeListenerCallback (juce::ChangeBroadcaster*) override { ++count; }

    /** The messages delivered since the last look, once those still queued are delivered. */
    int take (juce::ChangeBroadcaster& source)
    {
        source.dispatchPendingMessages();
        return std::exchange (count, 0);
    }

    int count = 0;
};

/** Turns every client of a stopped time-slice thread once, as the thread would. */
inline void turnClients (juce::TimeSliceThread& thread)
{
    for (int i = thread.getNumClients(); --i >= 0;)
        thread.getClient (i)->useTimeSlice();
}

/** Runs the message loop until the condition holds or a generous time-out passes. */
inline bool turnMessageLoopUntil (const std::function<bool()>& condition)
{
    return testsupport::waitUntil ([&condition]
    {
        juce::MessageManager::getInstance()->runDispatchLoopUntil (1);
        return condition();
    }, 20000);
}

/** Turns the message loop until every message posted so far is delivered (the queue is first in,
    first out), and with them whatever they post meanwhile. */
inline bool deliverPostedMessages()
{
    const auto delivered = std::make_shared<bool> (false);
    juce::MessageManager::callAsync ([delivered] { *delivered = true; });
    return turnMessageLoopUntil ([delivered] { return *delivered; });
}

inline const std::string csvHeader = "Type, Value, Date, Time\r\n";

inline std::string csvRow (const std::string& type, const std::string& value, const std::string& time,
                           const std::string& date = "5 Dec 2026")
{
    return type + ", " + value + ", " + date + ", " + time + "\r\n";
}

/** A log of (momentary, short-term) levels a second apart from 9:07:03, each short-term row first;
    an empty short-term level writes none. */
inline std::string levelLog (const std::vector<std::pair<std::string, std::string>>& levels)
{
    auto text = csvHeader;

    for (size_t i = 0; i < levels.size(); ++i)
    {
        const auto time = reporttest::clockText (9 * 3600 + 7 * 60 + 3 + (int) i);

        if (! levels[i].second.empty())
            text += csvRow ("ShortTermLoudness", levels[i].second, time);

        text += csvRow ("MomentaryLoudness", levels[i].first, time);
    }

    return text;
}

inline std::string steadyLog (int points, const std::string& level = "-23.0")
{
    return levelLog (std::vector<std::pair<std::string, std::string>> ((size_t) points, { level, level }));
}
} // namespace viewertest
