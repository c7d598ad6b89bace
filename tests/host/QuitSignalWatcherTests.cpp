#include "QuitSignalWatcher.h"

#include <gtest/gtest.h>
#include <juce_events/juce_events.h>

#include <csignal>

TEST (QuitSignalWatcher, EachTerminationSignalBecomesOneQuitRequest)
{
    for (const int signalNumber : { SIGTERM, SIGINT, SIGHUP })
    {
        int requests = 0;
        QuitSignalWatcher watcher ([&] { ++requests; });

        // Asked before, in between and after: only the signal makes a request, and only one.
        watcher.handlePendingSignal();
        std::raise (signalNumber);
        watcher.handlePendingSignal();
        watcher.handlePendingSignal();
        EXPECT_EQ (requests, 1) << signalNumber;
    }
}

TEST (QuitSignalWatcher, ASignalWakesTheMessageLoopAtOnce)
{
    int requests = 0;
    QuitSignalWatcher watcher ([&] { ++requests; });
    std::raise (SIGTERM);

    // One pass over what is ready, no time for a timer to come round.
    juce::MessageManager::getInstance()->runDispatchLoopUntil (0);
    EXPECT_EQ (requests, 1);
}
