#pragma once

#include <juce_core/juce_core.h>

#include <atomic>
#include <mutex>

/** Tells the framework log, once, that a report file cannot be written and why, and once more when
    it can be written again, so that a failing disk neither goes unsaid nor floods the log; and keeps
    the failure for the interface to show. failed and succeeded are called by whichever thread writes
    the file, one at a time; the rest on any thread. */
class WriteFailureLog
{
public:
    void failed (const juce::File& file, const juce::String& reason);
    void succeeded (const juce::File& file);

    bool isFailing() const noexcept { return failing.load(); }

    /** "<path>: <reason>" of the failing file; empty while writing succeeds. */
    juce::String describeFailure() const;

private:
    std::atomic<bool> failing { false };
    mutable std::mutex descriptionLock;
    juce::String description;
};
