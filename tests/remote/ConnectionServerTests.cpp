#include "FramedTestClient.h"
#include "OscTestPackets.h"
#include "QITOSCStandalone.h"
#include "StdoutCapture.h"
#include "WaitUntil.h"

#include <gtest/gtest.h>

#include <mutex>

using remotetest::decodeBundle;
using remotetest::floatMessage;
using remotetest::packetOf;
using testsupport::waitUntil;

namespace
{
const std::string connectedText = "Connected to server";
const std::string disconnectedText = "Disconnected from server";

/** Keeps the ids its clients were given, in accept order. */
class IdRecordingServer : public QITOSCStandalone
{
public:
    ~IdRecordingServer() override { stop(); }

    void connectionMade (int connectionId) override
    {
        {
            const std::lock_guard<std::mutex> guard (lock);
            ids.push_back (connectionId);
        }

        QITOSCStandalone::connectionMade (connectionId);
    }

    std::vector<int> getIds() const
    {
        const std::lock_guard<std::mutex> guard (lock);
        return ids;
    }

private:
    mutable std::mutex lock;
    std::vector<int> ids;
};

/** Connects and waits until the server has taken the client on: the server prints its text then. */
bool connectClient (FramedTestClient& client, int port, const testsupport::StdoutCapture& out)
{
    const int before = out.occurrences (connectedText);
    return client.connect (port) && waitUntil ([&] { return out.occurrences (connectedText) > before; });
}

bool isWholeBundleFrame (const std::optional<FramedTestClient::Frame>& frame)
{
    return frame && frame->payload.getSize() == 1900 && decodeBundle (frame->payload).size() == 52;
}
} // namespace

TEST (ConnectionServer, ClientsGetConsecutiveIdsThatContinueAcrossRestarts)
{
    testsupport::StdoutCapture out;
    IdRecordingServer server;
    ASSERT_TRUE (server.start (0));

    FramedTestClient first, second, third;
    ASSERT_TRUE (connectClient (first, server.getBoundPort(), out));
    ASSERT_TRUE (connectClient (second, server.getBoundPort(), out));

    server.stop();
    ASSERT_TRUE (server.start (0));
    ASSERT_TRUE (connectClient (third, server.getBoundPort(), out));

    const auto ids = server.getIds();
    ASSERT_EQ (ids.size(), 3u);
    EXPECT_GE (ids[0], 1);
    EXPECT_EQ (ids[1], ids[0] + 1);
    EXPECT_EQ (ids[2], ids[0] + 2);
}

TEST (ConnectionServer, ClientGetsOneFramedBundlePerSendAndEndOfStreamAfterStop)
{
    testsupport::StdoutCapture out;
    QITOSCStandalone server;
    ASSERT_TRUE (server.start (0));
    EXPECT_GT (server.getBoundPort(), 0);

    FramedTestClient client;
    ASSERT_TRUE (connectClient (client, server.getBoundPort(), out));
    EXPECT_EQ (server.getNumConnections(), 1);

    for (int send = 0; send < 2; ++send)
    {
        server.sendToAll();
        const auto frame = client.readFrame();
        ASSERT_TRUE (isWholeBundleFrame (frame));

        const juce::uint8 header[] = { 0x2C, 0x9E, 0xB4, 0xF2, 0x6C, 0x07, 0x00, 0x00 };
        EXPECT_EQ (std::memcmp (frame->header, header, sizeof (header)), 0);
    }

    server.stop();
    EXPECT_TRUE (client.waitForEndOfStream());
    EXPECT_EQ (server.getNumConnections(), 0);
    EXPECT_EQ (server.getBoundPort(), -1);

    // Dropping connections on stop is silent.
    EXPECT_EQ (out.occurrences (disconnectedText), 0);
}

TEST (ConnectionServer, LostClientIsReportedOnceAndStaysListed)
{
    testsupport::StdoutCapture out;
    QITOSCStandalone server;
    ASSERT_TRUE (server.start (0));

    FramedTestClient staying, leaving;
    ASSERT_TRUE (connectClient (staying, server.getBoundPort(), out));
    ASSERT_TRUE (connectClient (leaving, server.getBoundPort(), out));

    leaving.close();
    ASSERT_TRUE (waitUntil ([&] { return out.occurrences (disconnectedText) == 1; }));

    for (int send = 0; send < 3; ++send)
    {
        server.sendToAll();
        EXPECT_TRUE (isWholeBundleFrame (staying.readFrame()));
    }

    EXPECT_EQ (server.getNumConnections(), 2);
    EXPECT_EQ (out.occurrences (disconnectedText), 1);
}

TEST (ConnectionServer, StartReportsWhetherListeningBegan)
{
    QITOSCStandalone holder, server;
    ASSERT_TRUE (holder.start (0));

    EXPECT_FALSE (server.start (holder.getBoundPort()));
    EXPECT_EQ (server.getBoundPort(), -1);
    EXPECT_FALSE (server.start (65536));
    EXPECT_FALSE (server.start (-1));
    EXPECT_TRUE (server.start (0));
}

TEST (ConnectionServer, HostileClientsNeitherStopNorBlockTheServer)
{
    testsupport::StdoutCapture out;
    QITOSCStandalone server;
    ASSERT_TRUE (server.start (0));
    const int port = server.getBoundPort();

    FramedTestClient good;
    ASSERT_TRUE (connectClient (good, port, out));

    const auto goodClientIsServed = [&]
    {
        server.sendToAll();
        return isWholeBundleFrame (good.readFrame());
    };

    // Every case that ends a connection must have it reported exactly once, while the good client
    // goes on being served; the sends are what close a connection whose reader has stopped.
    int losses = 0;
    const auto oneMoreLossReported = [&]
    {
        ++losses;
        return waitUntil ([&] { return goodClientIsServed() && out.occurrences (disconnectedText) == losses; });
    };

    {
        SCOPED_TRACE ("a wrong magic number, then the client closes");
        FramedTestClient client;
        ASSERT_TRUE (connectClient (client, port, out));
        ASSERT_TRUE (client.sendHeader (0xDEADBEEF, 16));
        client.close();
        EXPECT_TRUE (oneMoreLossReported());
    }

    {
        SCOPED_TRACE ("a wrong magic number from a client that stays: the server closes it");
        FramedTestClient client;
        ASSERT_TRUE (connectClient (client, port, out));
        ASSERT_TRUE (client.sendHeader (0x2C9EB4F2, 0));
        EXPECT_TRUE (oneMoreLossReported());
        EXPECT_TRUE (client.waitForEndOfStream());
    }

    FramedTestClient sender;
    ASSERT_TRUE (connectClient (sender, port, out));

    {
        SCOPED_TRACE ("a negative length, then a valid frame");
        ASSERT_TRUE (sender.sendHeader (FramedTestClient::magicNumber, 0x80000000u));
        ASSERT_TRUE (sender.sendFrame (packetOf ([] (auto& p)
                                                 {
                                                     p << osc::BeginBundleImmediate;
                                                     p << osc::BeginMessage ("/adminPassword") << osc::EndMessage;
                                                     p << osc::BeginMessage ("/measurementScaleParam") << 2.5f << osc::EndMessage;
                                                     p << osc::EndBundle;
                                                 })));
        EXPECT_TRUE (waitUntil ([&] { return out.occurrences ("\n2.5") == 1; }));
        EXPECT_TRUE (goodClientIsServed());
    }

    {
        SCOPED_TRACE ("a frame cut short by the client closing");
        FramedTestClient client;
        ASSERT_TRUE (connectClient (client, port, out));
        const auto message = floatMessage ("/measurementUnitParam", 1.5f);
        ASSERT_TRUE (client.sendHeader (FramedTestClient::magicNumber, (juce::uint32) message.getSize()));
        ASSERT_TRUE (client.sendBytes (message.getData(), 24));
        client.close();
        EXPECT_TRUE (oneMoreLossReported());
        EXPECT_EQ (out.occurrences ("\n1.5"), 0);
    }

    {
        SCOPED_TRACE ("100,000 nested bundles");
        ASSERT_TRUE (sender.sendFrame (remotetest::nestedBundles (100000, floatMessage ("/measurementScaleParam", 4.0f))));
        ASSERT_TRUE (sender.sendFrame (floatMessage ("/measurementScaleParam", 5.0f)));
        EXPECT_TRUE (waitUntil ([&] { return out.occurrences ("\n5") == 1; }));
        EXPECT_EQ (out.occurrences ("\n4"), 0);
        EXPECT_TRUE (goodClientIsServed());
    }

    {
        SCOPED_TRACE ("random bytes, framed and then unframed");
        FramedTestClient client;
        ASSERT_TRUE (connectClient (client, port, out));
        juce::Random random (20250615);

        for (int frame = 0; frame < 200; ++frame)
        {
            juce::MemoryBlock noise ((size_t) random.nextInt ({ 1, 2048 }));
            random.fillBitsRandomly (noise.getData(), noise.getSize());
            ASSERT_TRUE (client.sendFrame (noise));
        }

        ASSERT_TRUE (client.sendFrame (floatMessage ("/measurementScaleParam", 6.0f)));
        EXPECT_TRUE (waitUntil ([&] { return out.occurrences ("\n6") == 1; }));

        juce::MemoryBlock noise (16384);
        random.fillBitsRandomly (noise.getData(), noise.getSize());
        ASSERT_TRUE (client.sendBytes (noise.getData(), noise.getSize()));
        EXPECT_TRUE (oneMoreLossReported());
        EXPECT_TRUE (client.waitForEndOfStream());
    }

    {
        SCOPED_TRACE ("twenty clients connecting and leaving");
        const int listed = server.getNumConnections();

        for (int round = 0; round < 20; ++round)
        {
            FramedTestClient client;
            ASSERT_TRUE (connectClient (client, port, out));
            client.close();
            EXPECT_TRUE (goodClientIsServed());
        }

        losses += 20;
        EXPECT_TRUE (waitUntil ([&] { return out.occurrences (disconnectedText) == losses; }));
        EXPECT_EQ (server.getNumConnections(), listed + 20);
    }

    {
        SCOPED_TRACE ("a client that never reads");
        FramedTestClient stalled;
        ASSERT_TRUE (connectClient (stalled, port, out));

        // More than the largest send and receive buffers of a loopback connection can hold.
        constexpr int sends = 5000;
        double slowestMs = 0.0;

        for (int send = 0; send < sends; ++send)
        {
            const auto began = juce::Time::getMillisecondCounterHiRes();
            server.sendToAll();
            slowestMs = std::max (slowestMs, juce::Time::getMillisecondCounterHiRes() - began);
            ASSERT_TRUE (isWholeBundleFrame (good.readFrame()));
        }

        EXPECT_LT (slowestMs, 300.0);

        // What did reach the stalled client is whole frames, fewer than were sent.
        server.stop();
        int received = 0;

        while (isWholeBundleFrame (stalled.readFrame()))
            ++received;

        EXPECT_GT (received, 0);
        EXPECT_LT (received, sends);
        EXPECT_TRUE (good.waitForEndOfStream());
    }
}
