#pragma once

#include "ProgramUnderTest.h"
#include "ScopedEnvironmentVariable.h"
#include "WaitUntil.h"

#include <juce_core/juce_core.h>

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace testsupport
{
/** A JACK server of the test's own, on the dummy driver with six capture and six playback
    channels. JACK keeps eight places for servers and frees the place of one that died without
    closing only when a server takes its name again, so tests share a few fixed names: the server
    takes the first that no other test process holds and under which no server runs, waiting for
    one to come free. A given name is used as it is (a server that takes over from another under
    the same name). While the object lives it is every JACK client's default server
    (JACK_DEFAULT_SERVER), for this process and the programs it starts; it is stopped by its pid
    when the object goes, and killed by the kernel when the thread that built it ends first, so
    build it on the test's own thread. Its log holds jackd's output and, when it did not start,
    why. */
class PrivateJackServer
{
public:
    PrivateJackServer (const juce::File& logFolder, int sampleRate = 48000, const std::string& serverName = {})
        : folder (logFolder), name (serverName.empty() ? claimFreeName() : serverName)
    {
        if (name.empty())
        {
            note ("no JACK server name came free within " + std::to_string (nameWaitMs / 1000) + " s: each of "
                  + juce::StringArray (sharedNames.data(), (int) sharedNames.size()).joinIntoString (", ").toStdString()
                  + " is held by another test process or runs a server of its own");
            return;
        }

        defaultServer.emplace ("JACK_DEFAULT_SERVER", name);
        arguments = { "jackd", "-n", name, "--no-realtime", "-d", "dummy", "-r", std::to_string (sampleRate), "-p", "512", "-C", "6", "-P", "6" };
        start();
    }

    ~PrivateJackServer() { stop(); }

    PrivateJackServer (const PrivateJackServer&) = delete;
    PrivateJackServer& operator= (const PrivateJackServer&) = delete;

    /** Whether the server came up within the time-out; if not, its log ends with why. */
    bool waitUntilRunning (int timeoutSeconds = 20)
    {
        if (! jackd.has_value())
            return false;

        const auto deadline = juce::Time::getMillisecondCounterHiRes() + timeoutSeconds * 1000.0;

        for (;;)
        {
            ProgramUnderTest waiter ({ "jack_wait", "-w", "-s", name, "-t", std::to_string (timeoutSeconds) },
                                     folder.getChildFile ("jack_wait.log"));
            waitUntil ([&] { return ! waiter.isRunning() || ! jackd->isRunning(); }, (timeoutSeconds + 10) * 1000);

            if (jackd->isRunning() && waiter.succeeds (0))
                return true;

            // A server killed a moment ago keeps its name's place until the system reaps it, which
            // may take seconds; no other holds the name, so jackd is started again while time remains.
            const bool nameStillTaken = ! jackd->isRunning() && outputOfThisStart().contains ("server already active");

            if (nameStillTaken && juce::Time::getMillisecondCounterHiRes() < deadline)
            {
                juce::Thread::sleep (100); // paces the restarts, it waits for nothing
                start();
                continue;
            }

            if (jackd->isRunning())
                note ("server " + name + " did not answer within " + std::to_string (timeoutSeconds) + " s");
            else
                note ("jackd ended (wait status " + std::to_string (jackd->getStatus().value_or (-1)) + ") before server " + name + " ran"
                      + (outputOfThisStart().contains ("Too many servers")
                             ? "; JACK's registry of eight servers is full, also of servers that died under names never used again "
                               "(/dev/shm/jack-shm-registry, which may go while no JACK server runs)"
                             : ""));

            return false;
        }
    }

    /** Stops it in good order, as a user or the system does: it tells its clients that their ports
        go before it goes. Whether it then ended cleanly. */
    bool stop()
    {
        if (! jackd.has_value())
            return false;

        jackd->terminate();
        return jackd->succeeds (5000);
    }

    /** Ends it outright, as a crash does. */
    void kill()
    {
        if (jackd.has_value())
            jackd->kill();
    }

    const std::string& getName() const { return name; }
    juce::File getLog() const { return folder.getChildFile ("jackd.log"); }

private:
    void start()
    {
        jackd.reset();
        startOfOutput = getLog().getSize();
        jackd.emplace (arguments, getLog());
    }

    juce::String outputOfThisStart() const
    {
        return getLog().loadFileAsString().substring ((int) startOfOutput);
    }

    /** One of the shared names, held for this process through an abstract socket of that name: the
        kernel lets it go however the process ends, and leaves no file behind. */
    class NameClaim
    {
    public:
        explicit NameClaim (const std::string& serverName) : fd (::socket (AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0))
        {
            sockaddr_un address {};
            address.sun_family = AF_UNIX;
            const auto path = "nolv-test-jack-" + std::to_string (::getuid()) + "-" + serverName;
            path.copy (address.sun_path + 1, sizeof (address.sun_path) - 2); // a leading NUL makes it abstract
            const auto length = (socklen_t) (offsetof (sockaddr_un, sun_path) + 1 + path.size());

            if (fd >= 0 && ::bind (fd, reinterpret_cast<const sockaddr*> (&address), length) != 0)
                release();
        }

        ~NameClaim() { release(); }

        NameClaim (NameClaim&& other) noexcept : fd (std::exchange (other.fd, -1)) {}
        NameClaim& operator= (NameClaim&&) = delete;

        bool isHeld() const { return fd >= 0; }

    private:
        void release()
        {
            if (fd >= 0)
                ::close (std::exchange (fd, -1));
        }

        int fd = -1;
    };

    /** The first shared name this process could claim and under which no server runs, or nothing. */
    std::string claimFreeName()
    {
        std::string found;

        waitUntil ([&]
        {
            for (const auto* candidate : sharedNames)
            {
                NameClaim attempt (candidate);

                if (attempt.isHeld() && ! serverRuns (candidate))
                {
                    claim.emplace (std::move (attempt));
                    found = candidate;
                    return true;
                }
            }

            return false;
        }, nameWaitMs);

        return found;
    }

    /** Whether a server answers under the name (one left by a run that is not a test's, say). */
    bool serverRuns (const std::string& serverName) const
    {
        const auto answer = folder.getChildFile ("jack_check.log");
        answer.deleteFile();
        runsToSuccess ({ "jack_wait", "-c", "-s", serverName }, answer, 10000);
        return ! answer.loadFileAsString().contains ("not running");
    }

    void note (const std::string& why) const
    {
        getLog().appendText ("PrivateJackServer: " + why + "\n");
    }

    static constexpr std::array<const char*, 4> sharedNames { "nolv_test_a", "nolv_test_b", "nolv_test_c", "nolv_test_d" };
    static constexpr int nameWaitMs = 120000;

    const juce::File folder;
    std::optional<NameClaim> claim;
    const std::string name;
    std::optional<ScopedEnvironmentVariable> defaultServer;
    std::vector<std::string> arguments;
    juce::int64 startOfOutput = 0;
    std::optional<ProgramUnderTest> jackd;
};
} // namespace testsupport
