#include "QuitSignalWatcher.h"

#include <gtest/gtest.h>

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
