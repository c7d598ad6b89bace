#include "PrivateJackServer.h"

#include <atomic>

#include <unistd.h>

namespace testsupport
{
namespace
{
std::string uniqueServerName()
{
    static std::atomic<int> count { 0 };
    return "nolv" + std::to_string (getpid()) + "_" + std::to_string (++count);
}
} // namespace

PrivateJackServer::PrivateJackServer (const juce::File& folder, int sampleRate, const std::string& serverName)
    : logFolder (folder),
      name (serverName.empty() ? uniqueServerName() : serverName),
      defaultServer ("JACK_DEFAULT_SERVER", name),
      jackd ({ "jackd", "-n", name, "--no-realtime", "-d", "dummy", "-r", std::to_string (sampleRate), "-p", "512",
               "-C", "6", "-P", "6" },
             getLog())
{
}

bool PrivateJackServer::stop()
{
    jackd.terminate();
    return jackd.succeeds (5000);
}

bool PrivateJackServer::waitUntilRunning (int timeoutSeconds)
{
    return runsToSuccess ({ "jack_wait", "-w", "-s", name, "-t", std::to_string (timeoutSeconds) },
                          logFolder.getChildFile ("jack_wait.log"), (timeoutSeconds + 10) * 1000);
}
} // namespace testsupport
