#pragma once

#include "ProgramUnderTest.h"
#include "ScopedEnvironmentVariable.h"

#include <juce_core/juce_core.h>

#include <atomic>
#include <string>

#include <unistd.h>

namespace testsupport
{
/** A JACK server of the test's own, on the dummy driver with six capture and six playback
    channels, under a name no other test uses unless one is given (a server that takes over from
    another under the same name). While the object lives it is every JACK client's default server
    (JACK_DEFAULT_SERVER), for this process and the programs it starts; it is stopped by its pid
    when the object goes. */
class PrivateJackServer
{
public:
    PrivateJackServer (const juce::File& logFolder, int sampleRate = 48000, const std::string& serverName = {})
        : folder (logFolder),
          name (serverName.empty() ? uniqueName() : serverName),
          defaultServer ("JACK_DEFAULT_SERVER", name),
          jackd ({ "jackd", "-n", name, "--no-realtime", "-d", "dummy", "-r", std::to_string (sampleRate), "-p", "512", "-C", "6", "-P", "6" },
                 getLog())
    {
    }

    ~PrivateJackServer() { stop(); }

    /** Whether the server came up within the time-out; its log says why not. */
    bool waitUntilRunning (int timeoutSeconds = 20)
    {
        return runsToSuccess ({ "jack_wait", "-w", "-s", name, "-t", std::to_string (timeoutSeconds) },
                              folder.getChildFile ("jack_wait.log"), (timeoutSeconds + 10) * 1000);
    }

    /** Stops it in good order, as a user or the system does: it tells its clients that their ports
        go before it goes. Whether it then ended cleanly. */
    bool stop()
    {
        jackd.terminate();
        return jackd.succeeds (5000);
    }

    /** Ends it outright, as a crash does. */
    void kill() { jackd.kill(); }

    const std::string& getName() const { return name; }
    juce::File getLog() const { return folder.getChildFile ("jackd.log"); }

private:
    static std::string uniqueName()
    {
        static std::atomic<int> count { 0 };
        return "nolv" + std::to_string (::getpid()) + "_" + std::to_string (++count);
    }

    const juce::File folder;
    const std::string name;
    ScopedEnvironmentVariable defaultServer;
    ProgramUnderTest jackd;
};
} // namespace testsupport
