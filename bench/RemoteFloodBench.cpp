// remote_flood_bench: what one flooding remote client costs the program. The real remote server with
// its real feed runs in this process, with one loopback client that reads the bundles; a child
// process connects from another loopback address and sends bundles of 700 stored parameter values
// as fast as the server takes them. Over each measuring time it reads this process's CPU time (the
// child's is its own): first with the reading client alone, then with the flood beside it.
//
//   remote_flood_bench [seconds]     (10)

#include "OvexjuceLoudnessAudioProcessor.h"
#include "RemoteTestKit.h"

#include <juce_events/juce_events.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <thread>

#include <sys/wait.h>
#include <unistd.h>

namespace
{
constexpr int messagesPerBundle = 700;

double processCpuSeconds()
{
    timespec t {};
    ::clock_gettime (CLOCK_PROCESS_CPUTIME_ID, &t);
    return (double) t.tv_sec + (double) t.tv_nsec * 1.0e-9;
}

double wallSeconds()
{
    return juce::Time::getMillisecondCounterHiRes() / 1000.0;
}

/** The child: waits for the port, then floods until the server goes; writes how many messages the
    kernel took from it. */
[[noreturn]] void flood (int portPipe, int countPipe)
{
    int port = 0;
    long long sent = 0;

    if (::read (portPipe, &port, sizeof (port)) == (ssize_t) sizeof (port))
    {
        const std::vector<juce::MemoryBlock> messages (messagesPerBundle,
                                                       remotetest::message ("/gatingOffFlagParam", 0.5f));
        const auto bundle = remotetest::bundle (messages);
        remotetest::FramedTestClient client;

        if (client.connect (port, "127.0.0.2") && client.sendFrame (remotetest::message ("/adminPassword")))
            while (client.sendFrame (bundle))
                sent += messagesPerBundle;
    }

    [[maybe_unused]] const auto written = ::write (countPipe, &sent, sizeof (sent));
    std::_Exit (0);
}

struct Span
{
    double cpuShare;
    int bundles;
};
} // namespace

int main (int argc, char** argv)
{
    const double seconds = argc > 1 ? std::atof (argv[1]) : 10.0;
    std::signal (SIGPIPE, SIG_IGN);

    // Forked before any thread starts, so the child holds nothing of the server's.
    int portPipe[2], countPipe[2];

    if (::pipe (portPipe) != 0 || ::pipe (countPipe) != 0)
        return 1;

    const pid_t child = ::fork();

    if (child < 0)
        return 1;

    if (child == 0)
        flood (portPipe[0], countPipe[1]);

    juce::ScopedJuceInitialiser_GUI juce;
    OvexjuceLoudnessAudioProcessor processor (nullptr);
    const int port = remotetest::startOnAFreePort ([&] (int p) { return processor.startRemoteServer ((float) p); });

    if (port <= 0)
        return 1;

    std::atomic<int> bundles { 0 };
    remotetest::FramedTestClient reading;

    if (! reading.connect (port))
        return 1;

    std::thread reader ([&]
    {
        while (reading.readFrame())
            ++bundles;
    });

    const auto measure = [&]
    {
        const auto cpu = processCpuSeconds();
        const auto wall = wallSeconds();
        const int before = bundles;
        juce::Thread::sleep ((int) (seconds * 1000.0));
        return Span { (processCpuSeconds() - cpu) / (wallSeconds() - wall), bundles - before };
    };

    const auto alone = measure();

    [[maybe_unused]] const auto written = ::write (portPipe[1], &port, sizeof (port));
    juce::Thread::sleep (1000); // the flood under way
    const auto flooded = measure();

    processor.stopRemoteServer();
    reader.join();
    long long sent = 0;
    [[maybe_unused]] const auto got = ::read (countPipe[0], &sent, sizeof (sent));
    ::waitpid (child, nullptr, 0);

    std::printf ("\nremote_flood_bench: %.0f s each, one client reading the bundles\n", seconds);
    std::printf ("  reader alone:           %5.1f %% of a core, %d bundles\n", 100.0 * alone.cpuShare,
                 alone.bundles);
    std::printf ("  with a flooding client: %5.1f %% of a core, %d bundles; the flooder got %lld messages in "
                 "(%.0f a second)\n",
                 100.0 * flooded.cpuShare, flooded.bundles, sent, (double) sent / (seconds + 1.0));
    return 0;
}
