#pragma once

#include <juce_core/juce_core.h>

#include <functional>

namespace testsupport
{
/** Polls the condition every millisecond until it holds or the time-out passes; returns whether it
    held. For events on other threads that a test cannot drive itself. */
inline bool waitUntil (const std::function<bool()>& condition, int timeoutMs = 5000)
{
    const auto deadline = juce::Time::getMillisecondCounterHiRes() + timeoutMs;

    while (! condition())
    {
        if (juce::Time::getMillisecondCounterHiRes() > deadline)
            return condition();

        juce::Thread::sleep (1);
    }

    return true;
}
} // namespace testsupport
