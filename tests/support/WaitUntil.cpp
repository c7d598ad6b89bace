#include "WaitUntil.h"

#include <juce_core/juce_core.h>

namespace testsupport
{
bool waitUntil (const std::function<bool()>& condition, int timeoutMs)
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
