#pragma once

#include <juce_core/juce_core.h>

#include <optional>
#include <string>
#include <vector>

#include <sys/types.h>

namespace testsupport
{
/** A program started in its own process with its output in a log, for tests that judge a real
    program from outside. Still running when the object goes, it is killed by its pid; the kernel
    kills it too if the thread that built it ends first, so a test's own thread builds it and a test
    killed at its time limit leaves nothing running. */
class ProgramUnderTest
{
public:
    ProgramUnderTest (std::vector<std::string> arguments, const juce::File& log);
    ~ProgramUnderTest();

    ProgramUnderTest (const ProgramUnderTest&) = delete;
    ProgramUnderTest& operator= (const ProgramUnderTest&) = delete;

    /** Asks it to quit (SIGTERM). */
    void terminate();

    /** Ends it outright (SIGKILL), as a crash would, and waits for it. */
    void kill();

    /** Whether it has ended with exit status 0 within the time-out. */
    bool succeeds (int timeoutMilliseconds);

    /** Whether it is still running (and has not been waited for). */
    bool isRunning();

    /** The wait status once it has ended. */
    std::optional<int> getStatus() const { return status; }

    /** Its process id; -1 when it could not be started. */
    pid_t getPid() const { return pid; }

private:
    bool reap();

    pid_t pid = -1;
    std::optional<int> status;
};

/** Runs a command to its end; whether it exited with 0 within the time-out. */
bool runsToSuccess (std::vector<std::string> arguments, const juce::File& log, int timeoutMilliseconds = 30000);

/** The X id of the top-level window with this title, or nothing. The title is stored as UTF-8,
    which only xwininfo's tree listing shows, so the window is looked up there; the scratch folder
    takes the listing. */
std::optional<std::string> findWindowId (const juce::String& title, const juce::File& scratchFolder);

/** A picture of the window with this title, written as the given PNG; whether it was taken. */
bool takeWindowScreenshot (const juce::String& title, const juce::File& png, const juce::File& scratchFolder);
} // namespace testsupport
