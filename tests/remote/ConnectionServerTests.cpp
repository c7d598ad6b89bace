#include "QITOSCStandalone.h"
#include "CapturingLogger.h"
#include "ProgramUnderTest.h"
#include "RemoteTestKit.h"
#include "ScopedTemporaryFolder.h"
#include "StdoutCapture.h"
#include "WaitUntil.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <memory>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

using remotetest::FramedTestClient;
using remotetest::message;
using testsupport::waitUntil;

namespace
{
constexpr int waitBoundMs = FramedTestClient::waitBoundMs;

/** The server's end of a loopback client's connection, found among this process's descriptors. */
int serverEndOf (int clientHandle)
{
    sockaddr_in own {}, peer {};
    socklen_t size = sizeof (own);
    ::getsockname (clientHandle, reinterpret_cast<sockaddr*> (&own), &size);

    for (int handle = 0; handle < 4096; ++handle)
        if (handle != clientHandle
            && ::getpeername (handle, reinterpret_cast<sockaddr*> (&peer), &(size = sizeof (peer))) == 0
            && peer.sin_family == AF_INET && peer.sin_port == own.sin_port
            && peer.sin_addr.s_addr == own.sin_addr.s_addr)
            return handle;

    return -1;
}

/** Fills the server's end of a client that never reads until its kernel takes no more, with a send
    buffer small enough to fill at once. The server's own sends stop just past the mark where a
    socket counts as writable, and the client's kernel may take in a few more bytes at any time,
    which brings it back; a socket filled to the brim stays unwritable until its client reads. */
bool fillToTheBrim (int serverEnd)
{
    const int sendBufferBytes = 64 * 1024;
    const char junk[1024] {};

    if (::setsockopt (serverEnd, SOL_SOCKET, SO_SNDBUF, &sendBufferBytes, sizeof (sendBufferBytes)) != 0)
        return false;

    for (int send = 0; send < 100000; ++send)
        if (::send (serverEnd, junk, sizeof (junk), MSG_DONTWAIT | MSG_NOSIGNAL) < 0)
            return errno == EAGAIN || errno == EWOULDBLOCK;

    return false;
}

/** Counts the messages the server hands on to be stored. */
struct CountingServer : QITOSCStandalone
{
    using QITOSCStandalone::QITOSCStandalone;
    ~CountingServer() override { stop(); } // before this override goes

    void ProcessMessage (const osc::ReceivedMessage& m) override
    {
        ++handled;
        QITOSCStandalone::ProcessMessage (m);
    }

    std::atomic<int> handled { 0 };
};
} // namespace

// Each hostile client is followed by a send that must reach the good client whole, and one that
// ends its connection must have that reported exactly once. What malformed packets do once framed
// is the incoming-message and fuzz corpus tests' to judge; clients that come and go in numbers,
// the churn test's.
TEST (ConnectionServer, HostileClientsNeitherStopNorBlockTheServer)
{
    testsupport::StdoutCapture out;
    remotetest::ManualClock clock;
    QITOSCStandalone server (clock.reader());
    ASSERT_TRUE (server.start (0));

    const auto isWholeBundleFrame = [] (const std::optional<juce::MemoryBlock>& payload)
    { return payload && payload->getSize() == 1900 && remotetest::decodeBundle (*payload).size() == 52; };

    // The server prints its text once it has taken a client on. Each client begins a second of its
    // own, which holds all the lines it causes; the clock stands still otherwise, so no client stalls.
    const auto connect = [&] (FramedTestClient& client)
    {
        clock.advance (1000.0);
        const int before = out.occurrences ("Connected to server");
        return client.connect (server.getBoundPort())
               && waitUntil ([&] { return out.occurrences ("Connected to server") > before; });
    };

    FramedTestClient good, badMagic, greedy, sender, cutShort, stalled;
    ASSERT_TRUE (connect (good));

    const auto goodClientIsServed = [&]
    {
        server.sendToAll();
        return isWholeBundleFrame (good.readFrame());
    };

    // The sends are what close a connection whose reader has stopped.
    int losses = 0;
    const auto oneMoreLossReported = [&]
    {
        ++losses;
        return waitUntil ([&] { return goodClientIsServed() && out.occurrences ("Disconnected from server") == losses; });
    };

    // A wrong magic number: the stream can no longer be trusted, and the server closes it.
    ASSERT_TRUE (connect (badMagic));
    ASSERT_TRUE (badMagic.sendHeader (0xDEADBEEF, 16));
    EXPECT_TRUE (badMagic.waitForEndOfStream());
    EXPECT_TRUE (oneMoreLossReported());

    // A header announcing 2 GiB, and the connection held: nothing is reserved, the client is closed.
    {
        testsupport::CapturingLogger log;
        ASSERT_TRUE (connect (greedy));
        ASSERT_TRUE (greedy.sendHeader (FramedTestClient::magicNumber, 0x80000000u));
        EXPECT_TRUE (greedy.waitForEndOfStream());
        EXPECT_TRUE (oneMoreLossReported());
        EXPECT_TRUE (log.lines().contains ("Remote client " + juce::String (3) + " announced a frame of 2147483648 bytes; its connection is closed"))
            << log.lines().joinIntoString ("\n");
    }

    // A valid frame.
    ASSERT_TRUE (connect (sender));
    ASSERT_TRUE (sender.sendFrame (remotetest::bundle ({ message ("/adminPassword"), message ("/measurementScaleParam", 2.5f) })));
    EXPECT_TRUE (waitUntil ([&] { return out.occurrences ("\n2.5") == 1; }));
    EXPECT_TRUE (goodClientIsServed());

    // A frame cut short by the client closing.
    ASSERT_TRUE (connect (cutShort));
    const auto unit = message ("/measurementUnitParam", 1.5f);
    ASSERT_TRUE (cutShort.sendHeader (FramedTestClient::magicNumber, (juce::uint32) unit.getSize()));
    ASSERT_TRUE (cutShort.send (unit.getData(), 24));
    cutShort.close();
    EXPECT_TRUE (oneMoreLossReported());
    EXPECT_EQ (out.occurrences ("\n1.5"), 0);

    // 3000 nested bundles (60 KB), then a valid frame.
    ASSERT_TRUE (sender.sendFrame (remotetest::bundle ({ message ("/measurementScaleParam", 4.0f) }, 3000)));
    ASSERT_TRUE (sender.sendFrame (message ("/measurementScaleParam", 5.0f)));
    EXPECT_TRUE (waitUntil ([&] { return out.occurrences ("\n5") == 1; }));
    EXPECT_EQ (out.occurrences ("\n4"), 0);
    EXPECT_TRUE (goodClientIsServed());

    server.sendToAll();
    EXPECT_EQ (server.getNumConnections(), 2) << "only the good client and the sender are left";
    EXPECT_TRUE (isWholeBundleFrame (good.readFrame()));

    // A client that never reads, sent more than the largest loopback socket buffers can hold.
    ASSERT_TRUE (connect (stalled));
    constexpr int sends = 5000;
    const auto began = juce::Time::getMillisecondCounterHiRes();

    // Every send reaches the good client; one that waited for the stalled client would never end
    // within the (generous) bound.
    for (int send = 0; send < sends; ++send)
    {
        server.sendToAll();
        ASSERT_TRUE (isWholeBundleFrame (good.readFrame()));
    }

    EXPECT_LT (juce::Time::getMillisecondCounterHiRes() - began, 60000.0);

    // Stopping drops every connection silently and ends each client's stream; what did reach the
    // stalled client is whole frames, fewer than were sent.
    server.stop();
    EXPECT_EQ (server.getNumConnections(), 0);
    EXPECT_EQ (out.occurrences ("Disconnected from server"), losses);
    EXPECT_TRUE (good.waitForEndOfStream());
    int received = 0;

    while (isWholeBundleFrame (stalled.readFrame()))
        ++received;

    EXPECT_GT (received, 0);
    EXPECT_LT (received, sends);
}

TEST (ConnectionServer, ServesAtMost32ClientsAtOnceAndClosesTheRestAtOnceWhileNoneStalls)
{
    QITOSCStandalone server;
    ASSERT_TRUE (server.start (0));
    std::vector<std::unique_ptr<FramedTestClient>> clients;

    // Each from an address of its own (127.0.0.2 to .41), so that no address holds several to make room.
    for (int i = 0; i < 40; ++i)
    {
        clients.push_back (std::make_unique<FramedTestClient>());
        ASSERT_TRUE (clients.back()->connect (server.getBoundPort(), remotetest::loopback (2 + i)));
    }

    // The last eight were closed as they came (in the order they came); the first 32 each get the
    // next bundle.
    for (int i = 32; i < 40; ++i)
    {
        auto& client = *clients[(size_t) i];
        EXPECT_TRUE (client.waitForEndOfStream()) << i << ": " << client.lastFailure;
    }

    EXPECT_EQ (server.getNumConnections(), 32);
    server.sendToAll();

    for (int i = 0; i < 32; ++i)
    {
        auto& client = *clients[(size_t) i];
        EXPECT_TRUE (client.readFrame().has_value()) << i << ": " << client.lastFailure;
    }
}

// A client that keeps connecting cannot take the place of the ones beside it.
TEST (ConnectionServer, AnAddressHoldsAtMostFourClientsAndItsFifthIsClosedAtOnceWhileTheFourStay)
{
    QITOSCStandalone server;
    ASSERT_TRUE (server.start (0));
    FramedTestClient four[4], fifth, other;

    for (auto& client : four)
        ASSERT_TRUE (client.connect (server.getBoundPort(), "127.0.0.2"));

    ASSERT_TRUE (fifth.connect (server.getBoundPort(), "127.0.0.2"));
    ASSERT_TRUE (other.connect (server.getBoundPort(), "127.0.0.3"));
    EXPECT_TRUE (fifth.waitForEndOfStream()) << fifth.lastFailure;
    ASSERT_TRUE (waitUntil ([&] { return server.getNumConnections() == 5; }, waitBoundMs))
        << "connections: " << server.getNumConnections();
    server.sendToAll();

    for (auto* client : { &four[0], &four[1], &four[2], &four[3], &other })
        EXPECT_TRUE (client->readFrame().has_value()) << client->lastFailure;
}

// Peers that never read but ask for the largest receive buffers take bundles for minutes without
// stalling; the clock stands still, so no stall can make room either way.
TEST (ConnectionServer, PeersThatNeverReadCannotKeepANewcomerFromAnotherAddressFromItsBundles)
{
    const struct
    {
        int firstHost, hosts, peersPerHost, newcomerHost, peersServed;
    } rows[] = {
        { 1, 1, 32, 2, 4 },  // all from 127.0.0.1: only four are taken on
        { 2, 8, 4, 10, 32 }, // four each from 127.0.0.2 to .9: the server is full
    };

    for (const auto& row : rows)
    {
        SCOPED_TRACE ("newcomer from " + remotetest::loopback (row.newcomerHost));
        remotetest::ManualClock clock;
        QITOSCStandalone server (clock.reader());
        ASSERT_TRUE (server.start (0));
        std::vector<std::unique_ptr<FramedTestClient>> peers;

        for (int host = row.firstHost; host < row.firstHost + row.hosts; ++host)
            for (int i = 0; i < row.peersPerHost; ++i)
            {
                peers.push_back (std::make_unique<FramedTestClient>());
                const int largestReceiveBuffer = 4 << 20;
                const auto address = remotetest::loopback (host);
                ASSERT_TRUE (peers.back()->connect (server.getBoundPort(), address, largestReceiveBuffer));
            }

        ASSERT_TRUE (waitUntil ([&] { return server.getNumConnections() == row.peersServed; }, waitBoundMs))
            << "peers taken on: " << server.getNumConnections();

        FramedTestClient newcomer;
        ASSERT_TRUE (newcomer.connect (server.getBoundPort(), remotetest::loopback (row.newcomerHost)));
        ASSERT_TRUE (waitUntil ([&]
        {
            server.sendToAll();
            return newcomer.hasSomethingToRead();
        }, waitBoundMs)) << "no bundle and no end for the newcomer";

        const auto frame = newcomer.readFrame();
        EXPECT_TRUE (frame.has_value() && frame->getSize() == 1900) << newcomer.lastFailure;
        server.sendToAll();
        EXPECT_EQ (server.getNumConnections(), juce::jmin (row.peersServed + 1, 32));

        if (row.peersServed == 32)
        {
            EXPECT_TRUE (peers.front()->waitForEndOfStream())
                << "the oldest of the first address makes room: " << peers.front()->lastFailure;
        }
    }
}

TEST (ConnectionServer, TheLongestStalledClientMakesRoomStalledClientsGoAfterFiveSecondsAndIdleOnesAreProbed)
{
    remotetest::ManualClock clock;
    QITOSCStandalone server (clock.reader());
    ASSERT_TRUE (server.start (0));
    std::vector<std::unique_ptr<FramedTestClient>> silent;

    // Clients that never read, each from an address of its own (127.0.0.2 to .33), so that only
    // the stall rule can make room. Their server ends are filled to the brim, so the next send finds
    // each stalled at the clock's time, and each stays so however long the test takes.
    const auto connectSilentClientsAndStallThem = [&] (size_t count)
    {
        const auto first = silent.size();

        while (silent.size() < count)
        {
            silent.push_back (std::make_unique<FramedTestClient>());
            const auto address = remotetest::loopback (2 + (int) silent.size() - 1);
            ASSERT_TRUE (silent.back()->connect (server.getBoundPort(), address, 2048));
        }

        ASSERT_TRUE (waitUntil ([&] { return server.getNumConnections() == (int) count; }, waitBoundMs))
            << "clients taken on: " << server.getNumConnections() << " of " << count;

        for (auto i = first; i < count; ++i)
            ASSERT_TRUE (fillToTheBrim (serverEndOf (silent[i]->handle))) << i;

        server.sendToAll();
    };

    // The first stalls at 0 ms, 31 more at 1000 ms.
    connectSilentClientsAndStallThem (1);
    clock.advance (1000.0);
    connectSilentClientsAndStallThem (32);

    FramedTestClient newcomer;
    ASSERT_TRUE (newcomer.connect (server.getBoundPort()));
    EXPECT_TRUE (silent[0]->waitForEndOfStream())
        << "the longest-stalled client was not closed: " << silent[0]->lastFailure;
    server.sendToAll();
    EXPECT_TRUE (newcomer.readFrame().has_value()) << newcomer.lastFailure;

    // Probed while idle: after 30 s, then every 10 s, three times.
    const int serverEnd = serverEndOf (newcomer.handle);
    ASSERT_GE (serverEnd, 0);

    const struct { int level, option, expected; } keepAlive[] = {
        { SOL_SOCKET, SO_KEEPALIVE, 1 }, { IPPROTO_TCP, TCP_KEEPIDLE, 30 },
        { IPPROTO_TCP, TCP_KEEPINTVL, 10 }, { IPPROTO_TCP, TCP_KEEPCNT, 3 } };

    for (const auto& [level, option, expected] : keepAlive)
    {
        int value = -1;
        socklen_t size = sizeof (value);
        EXPECT_EQ (::getsockopt (serverEnd, level, option, &value, &size), 0);
        EXPECT_EQ (value, expected) << "option " << option;
    }

    // The other 31 stay until they have stalled for 5 s; the newcomer, which reads, stays on.
    clock.advance (4999.0);
    server.sendToAll();
    EXPECT_EQ (server.getNumConnections(), 32);
    clock.advance (1.0);
    server.sendToAll(); // closes them
    server.sendToAll(); // deletes them
    ASSERT_EQ (server.getNumConnections(), 1) << "else each wait for their end below would take its full bound";

    for (int frame = 0; frame < 3; ++frame)
        EXPECT_TRUE (newcomer.readFrame().has_value()) << frame << ": " << newcomer.lastFailure;

    for (size_t i = 1; i < silent.size(); ++i)
        EXPECT_TRUE (silent[i]->waitForEndOfStream()) << i << ": " << silent[i]->lastFailure;
}

// With the clock standing still, the reader that spent the budget waits on it, looking at it again
// and again, and handles nothing more; a second later it handles one bundle more.
TEST (ConnectionServer, AClientIsHandled500MessagesASecondOnTheServersClockAndItsReaderThenWaits)
{
    remotetest::ManualClock clock;
    CountingServer server (clock.reader());
    ASSERT_TRUE (server.start (0));
    FramedTestClient flooder;
    ASSERT_TRUE (flooder.connect (server.getBoundPort()));
    ASSERT_TRUE (waitUntil ([&] { return server.getNumConnections() == 1; }, waitBoundMs));

    // Stored, never printed; the sends wait in the kernel's buffers once the reader stops taking them.
    const std::vector<juce::MemoryBlock> messages (700, message ("/gatingOffFlagParam", 0.5f));
    const auto flood = remotetest::bundle (messages);
    std::thread sender ([&]
    {
        for (int i = 0; i < 10 && flooder.sendFrame (flood); ++i)
        {
        }
    });

    for (int second = 1; second <= 2; ++second)
    {
        ASSERT_TRUE (waitUntil ([&] { return server.handled >= 700 * second; }, waitBoundMs))
            << "handled: " << server.handled;
        const int readings = clock.readings;
        EXPECT_TRUE (waitUntil ([&] { return clock.readings >= readings + 12; }, waitBoundMs))
            << "nobody waits on the clock";
        EXPECT_EQ (server.handled, 700 * second) << "the bundle that spent the budget whole, and no more";
        clock.advance (1000.0);
    }

    server.stop(); // wakes the waiting reader, and the sender's socket is closed
    sender.join();
    EXPECT_LE (server.handled, 3 * 700);
}

TEST (ConnectionServer, TwentyThousandClientsComingAndGoingLeaveNothingBehind)
{
    testsupport::StdoutCapture out;
    // Every reading is a second later than the one before, so that every line is printed.
    std::atomic<juce::int64> seconds { 0 };
    QITOSCStandalone server ([&] { return 1000.0 * (double) ++seconds; });
    ASSERT_TRUE (server.start (0));
    const auto residentBytes = []
    {
        long pages = 0, resident = 0;
        std::ifstream ("/proc/self/statm") >> pages >> resident;
        return (double) resident * (double) ::sysconf (_SC_PAGESIZE);
    };

    // A first thousand, so that the allocator and the threads' stacks have settled.
    const auto cycles = [&] (int count)
    {
        for (int i = 0; i < count; ++i)
        {
            // From 64 addresses in turn, so that no address holds its four while its clients' ends
            // are still being found.
            FramedTestClient client;
            ASSERT_TRUE (client.connect (server.getBoundPort(), remotetest::loopback (2 + i % 64)));

            if (i % 100 == 99)
                server.sendToAll(); // the processor's 100 ms feed
        }
    };

    cycles (1000);
    [[maybe_unused]] const auto before = residentBytes();
    cycles (19000);
    // Every client taken on is reported lost once and deleted; under load some come in while 32, or
    // four of their address, are still open and are closed at once, unreported.
    EXPECT_TRUE (waitUntil ([&]
    {
        server.sendToAll();
        return server.getNumConnections() == 0 && out.occurrences ("Disconnected from server") == out.occurrences ("Connected to server");
    }, 60000));
    EXPECT_GT (out.occurrences ("Connected to server"), 1000);

#if ! (defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)) // their own allocators hold on to memory
    EXPECT_LT (residentBytes() - before, 4.0e6) << "about 1 KB a client would be 19 MB";
#endif
}

// Were the listener to retry a failing accept at once, it would spin a core for as long as the
// descriptors stay used up.
TEST (ConnectionServer, AnAcceptThatFailsForLackOfDescriptorsIsRetriedAfterAPause)
{
    const testsupport::ScopedTemporaryFolder folder;
    const auto log = folder.getChildFile ("probe.log");
    ASSERT_TRUE (testsupport::runsToSuccess ({ NOLV_ACCEPT_PROBE }, log)) << log.loadFileAsString();

    const int accepts = log.loadFileAsString().fromLastOccurrenceOf ("accepts ", false, false).getIntValue();
    EXPECT_GE (accepts, 2) << "it keeps trying";
    EXPECT_LE (accepts, 30) << "in two seconds";
}
