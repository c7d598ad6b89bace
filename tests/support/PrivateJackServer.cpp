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

PrivateJackServer::PrivateJackServer (const juce::File& folder, int sampleRate)
    : logFolder (folder),
      name (uniqueServerName()),
      defaultServer ("JACK_DEFAULT_SERVER", name),
      jackd ({ "jackd", "-n", name, "--no-realtime", "-d", "dummy", "-r", std::to_string (sampleRate), "-p", "512",
               "-C", "6", "-P", "6" },
             getLog())
{
}

PrivateJackServer::~PrivateJackServer()
{
    jackd.terminate();
    jackd.succeeds (5000);
}

bool PrivateJackServer::waitUntilRunning (int timeoutSeconds)
{
    return runsToSuccess ({ "jack_wait", "-w", "-s", name, "-t", std::to_string (timeoutSeconds) },
                          logFolder.getChildFile ("jack_wait.log"), (timeoutSeconds + 10) * 1000);
}
} // namespace testsupport
