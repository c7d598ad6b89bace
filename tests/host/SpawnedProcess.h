#pragma once

#include <juce_core/juce_core.h>

#include <optional>
#include <string>
#include <vector>

#include <sys/types.h>

/** A program an end-to-end test starts and ends by its pid: whatever is still running when the
    object goes is killed and reaped, and the kernel kills it if the test process dies first.
    Its output goes to a log file. Used on the test's own thread. */
class SpawnedProcess
{
public:
    /** Starts arguments[0], looked up on PATH, with the test's environment. */
    SpawnedProcess (const std::vector<std::string>& arguments, const juce::File& log);
    ~SpawnedProcess();

    bool hasStarted() const noexcept { return pid > 0; }
    void sendSignal (int signalNumber);

    /** The wait status once the process has ended, or nothing if it still runs after the timeout. */
    std::optional<int> waitForExit (int timeoutMilliseconds);

    const juce::File log;

private:
    pid_t pid = -1;
    std::optional<int> exitStatus;

    JUCE_DECLARE_NON_COPYABLE (SpawnedProcess)
};

/** Runs a program to its end, or kills it after the timeout; true when it exited with status 0. */
bool runToSuccess (const std::vector<std::string>& arguments, const juce::File& log, int timeoutMilliseconds);
