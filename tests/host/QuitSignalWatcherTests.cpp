#include "QuitSignalWatcher.h"

#include <gtest/gtest.h>

#include <csignal>

TEST (QuitSignalWatcher, EachTerminationSignalBecomesOneQuitRequest)
{
    for (const int signalNumber : { SIGTERM, SIGINT })
    {
        int requests = 0;
        QuitSignalWatcher watcher ([&] { ++requests; });

        watcher.handlePendingSignal();
        EXPECT_EQ (requests, 0) << "nothing asked yet";

        std::raise (signalNumber);
        watcher.handlePendingSignal();
        watcher.handlePendingSignal();
        EXPECT_EQ (requests, 1) << signalNumber;
    }
}
