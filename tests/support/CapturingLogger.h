#pragma once

#include <juce_core/juce_core.h>

#include <mutex>

namespace testsupport
{
/** Collects the framework log's lines while it lives, from any thread. */
class CapturingLogger : public juce::Logger
{
public:
    CapturingLogger() { juce::Logger::setCurrentLogger (this); }
    ~CapturingLogger() override { juce::Logger::setCurrentLogger (nullptr); }

    juce::StringArray lines() const
    {
        const std::lock_guard<std::mutex> scope (lock);
        return captured;
    }

private:
    void logMessage (const juce::String& message) override
    {
        const std::lock_guard<std::mutex> scope (lock);
        captured.add (message);
    }

    mutable std::mutex lock;
    juce::StringArray captured;
};
} // namespace testsupport
