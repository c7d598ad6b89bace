#pragma once

#include <juce_core/juce_core.h>

#include <atomic>

/** Tells the framework log, once, that a report file cannot be written and why, and once more when
    it can be written again, so that a failing disk neither goes unsaid nor floods the log.
    Called by whichever thread writes the file, one at a time. */
class WriteFailureLog
{
public:
    void failed (const juce::File& file, const juce::String& reason);
    void succeeded (const juce::File& file);

    bool isFailing() const noexcept { return failing.load(); }

private:
    std::atomic<bool> failing { false };
};
