#pragma once

#include <juce_events/juce_events.h>

#include <functional>

#include <signal.h>

/** Turns the system's termination signals (SIGTERM, SIGINT, and SIGHUP when the terminal that
    started the program closes) into the application's quit request,
    so that the window is destroyed the ordinary way and saves the settings. The handler only
    raises a flag; a timer on the message thread acts on it. Built and destroyed on the message
    thread. A second signal of the same kind ends the process the default way, so a shut-down
    that hangs can still be stopped. */
class QuitSignalWatcher : private juce::Timer
{
public:
    explicit QuitSignalWatcher (std::function<void()> onQuitRequested);
    ~QuitSignalWatcher() override;

    /** Calls the quit callback once if a signal has arrived since the last call. */
    void handlePendingSignal();

private:
    void timerCallback() override { handlePendingSignal(); }

    std::function<void()> onQuitRequested;
    struct sigaction previousTerminate {};
    struct sigaction previousInterrupt {};
    struct sigaction previousHangUp {};

    JUCE_DECLARE_NON_COPYABLE (QuitSignalWatcher)
};
