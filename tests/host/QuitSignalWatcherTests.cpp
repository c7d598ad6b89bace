#include "QuitSignalWatcher.h"

#include <gtest/gtest.h>

#include <csignal>

namespace
{
extern "C" void ignoreSignal (int) {}

void (*currentHandler (int signalNumber)) (int)
{
    struct sigaction current {};
    sigaction (signalNumber, nullptr, &current);
    return current.sa_handler;
}
} // namespace

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

TEST (QuitSignalWatcher, PutsBackTheHandlersItFound)
{
    std::signal (SIGTERM, ignoreSignal);
    std::signal (SIGINT, ignoreSignal);

    {
        QuitSignalWatcher watcher ([] {});
        EXPECT_NE (currentHandler (SIGTERM), ignoreSignal);
        EXPECT_NE (currentHandler (SIGINT), ignoreSignal);
    }

    EXPECT_EQ (currentHandler (SIGTERM), ignoreSignal);
    EXPECT_EQ (currentHandler (SIGINT), ignoreSignal);

    std::signal (SIGTERM, SIG_DFL);
    std::signal (SIGINT, SIG_DFL);
}
