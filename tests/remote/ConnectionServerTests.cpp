#include "QITOSCStandalone.h"
#include "RemoteTestKit.h"
#include "StdoutCapture.h"
#include "WaitUntil.h"

#include <gtest/gtest.h>

using remotetest::FramedTestClient;
using remotetest::message;
using testsupport::waitUntil;

// Each hostile client is followed by a send that must reach the good client whole, and one that
// ends its connection must have that reported exactly once.
TEST (ConnectionServer, HostileClientsNeitherStopNorBlockTheServer)
{
    testsupport::StdoutCapture out;
    QITOSCStandalone server;
    ASSERT_TRUE (server.start (0));

    const auto isWholeBundleFrame = [] (const std::optional<juce::MemoryBlock>& payload)
    { return payload && payload->getSize() == 1900 && remotetest::decodeBundle (*payload).size() == 52; };

    // The server prints its text once it has taken a client on.
    const auto connect = [&] (FramedTestClient& client)
    {
        const int before = out.occurrences ("Connected to server");
        return client.connect (server.getBoundPort())
               && waitUntil ([&] { return out.occurrences ("Connected to server") > before; });
    };

    FramedTestClient good, badMagic, sender, cutShort, noisy, stalled;
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

    // A wrong magic number, then the client closes.
    ASSERT_TRUE (connect (badMagic));
    ASSERT_TRUE (badMagic.sendHeader (0xDEADBEEF, 16));
    badMagic.socket.close();
    EXPECT_TRUE (oneMoreLossReported());

    // A negative length, then a valid frame.
    ASSERT_TRUE (connect (sender));
    ASSERT_TRUE (sender.sendHeader (FramedTestClient::magicNumber, 0x80000000u));
    ASSERT_TRUE (sender.sendFrame (remotetest::bundle ({ message ("/adminPassword"), message ("/measurementScaleParam", 2.5f) })));
    EXPECT_TRUE (waitUntil ([&] { return out.occurrences ("\n2.5") == 1; }));
    EXPECT_TRUE (goodClientIsServed());

    // A frame cut short by the client closing.
    ASSERT_TRUE (connect (cutShort));
    const auto unit = message ("/measurementUnitParam", 1.5f);
    ASSERT_TRUE (cutShort.sendHeader (FramedTestClient::magicNumber, (juce::uint32) unit.getSize()));
    ASSERT_TRUE (cutShort.send (unit.getData(), 24));
    cutShort.socket.close();
    EXPECT_TRUE (oneMoreLossReported());
    EXPECT_EQ (out.occurrences ("\n1.5"), 0);

    // 100,000 nested bundles, then a valid frame.
    ASSERT_TRUE (sender.sendFrame (remotetest::bundle ({ message ("/measurementScaleParam", 4.0f) }, 100000)));
    ASSERT_TRUE (sender.sendFrame (message ("/measurementScaleParam", 5.0f)));
    EXPECT_TRUE (waitUntil ([&] { return out.occurrences ("\n5") == 1; }));
    EXPECT_EQ (out.occurrences ("\n4"), 0);
    EXPECT_TRUE (goodClientIsServed());

    // Random bytes, framed and then unframed: the server closes the client.
    ASSERT_TRUE (connect (noisy));
    juce::Random random (20250615);
    juce::MemoryBlock noise (16384);

    for (int frame = 0; frame < 200; ++frame)
    {
        random.fillBitsRandomly (noise.getData(), noise.getSize());
        ASSERT_TRUE (noisy.sendFrame (juce::MemoryBlock (noise.getData(), (size_t) random.nextInt ({ 1, 2048 }))));
    }

    ASSERT_TRUE (noisy.sendFrame (message ("/measurementScaleParam", 6.0f)));
    EXPECT_TRUE (waitUntil ([&] { return out.occurrences ("\n6") == 1; }));
    random.fillBitsRandomly (noise.getData(), noise.getSize());
    ASSERT_TRUE (noisy.send (noise.getData(), noise.getSize()));
    EXPECT_TRUE (oneMoreLossReported());
    EXPECT_TRUE (noisy.waitForEndOfStream());

    // Twenty clients connecting and leaving: each is reported, and all stay listed.
    const int listed = server.getNumConnections();

    for (int round = 0; round < 20; ++round)
    {
        FramedTestClient client;
        ASSERT_TRUE (connect (client));
        client.socket.close();
        EXPECT_TRUE (goodClientIsServed());
    }

    losses += 20;
    EXPECT_TRUE (waitUntil ([&] { return out.occurrences ("Disconnected from server") == losses; }));
    EXPECT_EQ (server.getNumConnections(), listed + 20);

    // A client that never reads, sent more than the largest loopback socket buffers can hold.
    ASSERT_TRUE (connect (stalled));
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
