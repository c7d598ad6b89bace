#include "FramedTestClient.h"
#include "OscTestPackets.h"
#include "QITOSCStandalone.h"
#include "StdoutCapture.h"
#include "WaitUntil.h"

#include <gtest/gtest.h>

using remotetest::floatMessage;
using testsupport::waitUntil;

namespace
{
bool isWholeBundleFrame (const std::optional<FramedTestClient::Frame>& frame)
{
    return frame && frame->payload.getSize() == 1900 && remotetest::decodeBundle (frame->payload).size() == 52;
}
} // namespace

// Each case is followed by a send that must reach the good client whole; a case that ends its
// connection must have that reported exactly once. The good client also checks the framing.
TEST (ConnectionServer, HostileClientsNeitherStopNorBlockTheServer)
{
    testsupport::StdoutCapture out;
    QITOSCStandalone server;
    ASSERT_TRUE (server.start (0));

    // The server prints its text once it has taken a client on.
    const auto connect = [&] (FramedTestClient& client)
    {
        const int before = out.occurrences ("Connected to server");
        return client.connect (server.getBoundPort())
               && waitUntil ([&] { return out.occurrences ("Connected to server") > before; });
    };

    FramedTestClient good;
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

    {
        SCOPED_TRACE ("a wrong magic number, then the client closes");
        FramedTestClient client;
        ASSERT_TRUE (connect (client));
        ASSERT_TRUE (client.sendHeader (0xDEADBEEF, 16));
        client.close();
        EXPECT_TRUE (oneMoreLossReported());
    }

    FramedTestClient sender;
    ASSERT_TRUE (connect (sender));

    {
        SCOPED_TRACE ("a negative length, then a valid frame");
        ASSERT_TRUE (sender.sendHeader (FramedTestClient::magicNumber, 0x80000000u));
        ASSERT_TRUE (sender.sendFrame (remotetest::bundleOfRawElements (
            { remotetest::packetOf ([] (auto& p) { p << osc::BeginMessage ("/adminPassword") << osc::EndMessage; }),
              floatMessage ("/measurementScaleParam", 2.5f) })));
        EXPECT_TRUE (waitUntil ([&] { return out.occurrences ("\n2.5") == 1; }));
        EXPECT_TRUE (goodClientIsServed());
    }

    {
        SCOPED_TRACE ("a frame cut short by the client closing");
        FramedTestClient client;
        ASSERT_TRUE (connect (client));
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
        SCOPED_TRACE ("random bytes, framed and then unframed: the server closes the client");
        FramedTestClient client;
        ASSERT_TRUE (connect (client));
        juce::Random random (20250615);
        juce::MemoryBlock noise (16384);

        for (int frame = 0; frame < 200; ++frame)
        {
            random.fillBitsRandomly (noise.getData(), noise.getSize());
            ASSERT_TRUE (client.sendFrame (juce::MemoryBlock (noise.getData(), (size_t) random.nextInt ({ 1, 2048 }))));
        }

        ASSERT_TRUE (client.sendFrame (floatMessage ("/measurementScaleParam", 6.0f)));
        EXPECT_TRUE (waitUntil ([&] { return out.occurrences ("\n6") == 1; }));

        random.fillBitsRandomly (noise.getData(), noise.getSize());
        ASSERT_TRUE (client.sendBytes (noise.getData(), noise.getSize()));
        EXPECT_TRUE (oneMoreLossReported());
        EXPECT_TRUE (client.waitForEndOfStream());
    }

    {
        SCOPED_TRACE ("twenty clients connecting and leaving: each reported, all still listed");
        const int listed = server.getNumConnections();

        for (int round = 0; round < 20; ++round)
        {
            FramedTestClient client;
            ASSERT_TRUE (connect (client));
            client.close();
            EXPECT_TRUE (goodClientIsServed());
        }

        losses += 20;
        EXPECT_TRUE (waitUntil ([&] { return out.occurrences ("Disconnected from server") == losses; }));
        EXPECT_EQ (server.getNumConnections(), listed + 20);
    }

    {
        SCOPED_TRACE ("a client that never reads");
        FramedTestClient stalled;
        ASSERT_TRUE (connect (stalled));

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
    }

    // Stopping drops every connection, silently, and each client sees the end of its stream.
    EXPECT_EQ (server.getNumConnections(), 0);
    EXPECT_EQ (out.occurrences ("Disconnected from server"), losses);
    EXPECT_TRUE (good.waitForEndOfStream());
}
