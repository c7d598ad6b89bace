#pragma once

#include <juce_core/juce_core.h>

#include <functional>

#include <signal.h>

/** Turns the system's termination signals (SIGTERM, SIGINT, and SIGHUP when the terminal that
    started the program closes) into the application's quit request,
    so that the window is destroyed the ordinary way and saves the settings. The handler only
    raises a flag and writes a byte to a pipe whose reading end the message loop watches, so the
    message thread acts on it at once and nothing polls. Built and destroyed on the message
    thread, one at a time. A second signal of the same kind ends the process the default way, so
    a shut-down that hangs can still be stopped. */
class QuitSignalWatcher
{
public:
    explicit QuitSignalWatcher (std::function<void()> onQuitRequested);
    ~QuitSignalWatcher();

    /** Calls the quit callback once if a signal has arrived since the last call. */
    void handlePendingSignal();

private:
    std::function<void()> onQuitRequested;
    int wakeUpPipe[2] { -1, -1 };
    struct sigaction previousTerminate {};
    struct sigaction previousInterrupt {};
    struct sigaction previousHangUp {};

    JUCE_DECLARE_NON_COPYABLE (QuitSignalWatcher)
};
