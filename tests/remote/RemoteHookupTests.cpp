#include "ProcessorTestAccess.h"
#include "RemoteTestKit.h"
#include "StdoutCapture.h"
#include "WaitUntil.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <limits>
#include <map>
#include <thread>
#include <vector>

namespace
{
/** The port the processor's server started on, with a fraction added as the port field may hold one. */
int startOnAFreePort (OvexjuceLoudnessAudioProcessor& processor, float fraction = 0.0f)
{
    return remotetest::startOnAFreePort ([&] (int port) { return processor.startRemoteServer ((float) port + fraction); });
}
} // namespace

// A port that cannot be used leaves the feed running with nobody to feed, as the next start may
// still find a client.
TEST (RemoteHookup, StartedServerFeedsClientsTheProcessorsValuesUntilStoppedAndAnUnusablePortFeedsNobody)
{
    testsupport::StdoutCapture out;
    OvexjuceLoudnessAudioProcessor processor (nullptr);
    juce::StreamingSocket holder;
    ASSERT_TRUE (holder.createListener (0, {}));

    for (float port : { std::numeric_limits<float>::quiet_NaN(), 70000.0f, (float) holder.getBoundPort() })
    {
        EXPECT_FALSE (processor.startRemoteServer (port)) << port;
        EXPECT_TRUE (ProcessorTestAccess::isRemoteFeedRunning (processor));
        EXPECT_EQ (ProcessorTestAccess::remotePort (processor), -1);
        ProcessorTestAccess::remoteTick (processor);
    }

    const int port = startOnAFreePort (processor, 0.9f);
    ASSERT_GT (port, 0);
    EXPECT_EQ (ProcessorTestAccess::remotePort (processor), port);
    EXPECT_TRUE (ProcessorTestAccess::isRemoteFeedRunning (processor));

    remotetest::FramedTestClient client;
    ASSERT_TRUE (client.connect (port));
    ASSERT_TRUE (testsupport::waitUntil ([&] { return out.occurrences ("Connected to server") == 1; }));

    processor.setParameterValue (7, -2.0f);
    MeterSnapshot meters;
    meters.momentaryLevel = -23.0f;
    ProcessorTestAccess::publishMeters (processor, meters);

    // The feed's own thread may have sent a bundle or two from before.
    std::map<std::string, double> values;

    for (int frame = 0; frame < 5 && values["/momentaryLoudness"] != -23.0; ++frame)
    {
        const auto payload = client.readFrame();
        ASSERT_TRUE (payload.has_value());
        values = remotetest::valuesByAddress (*payload);
    }

    ASSERT_EQ (values.size(), 52u);
    EXPECT_EQ (values["/momentaryLoudness"], -23.0);
    EXPECT_EQ (values["/truePeakMaxLevelParam"], -2.0);
    EXPECT_EQ (values["/truePeakHoldTimeParam"], 3.0);

    processor.stopRemoteServer();
    EXPECT_FALSE (ProcessorTestAccess::isRemoteFeedRunning (processor));
    EXPECT_TRUE (client.waitForEndOfStream());
}

TEST (RemoteHookup, TheFeedRunsOnItsOwnThreadWhileTheMessageThreadIsBlocked)
{
    OvexjuceLoudnessAudioProcessor processor (nullptr);
    const int port = startOnAFreePort (processor);
    ASSERT_GT (port, 0);

    // This is the message thread, and it does nothing but wait for the bundles: were they sent
    // from it, none would come.
    remotetest::FramedTestClient client;
    ASSERT_TRUE (client.connect (port));

    for (int frame = 0; frame < 3; ++frame)
        EXPECT_TRUE (client.readFrame().has_value()) << frame << ": " << client.lastFailure;

    processor.stopRemoteServer();
}

TEST (RemoteHookup, AStoredStateOfNonFiniteParametersSendsOnlyFiniteValuesAndStillRaisesTheAlarm)
{
    juce::XmlElement state ("MYPLUGINSETTINGS");

    for (const auto& parameter : savedParameters)
        state.setAttribute (parameter.stateAttribute, parameter.index % 2 == 0 ? "nan" : "inf");

    juce::MemoryBlock blob;
    juce::AudioProcessor::copyXmlToBinary (state, blob);
    OvexjuceLoudnessAudioProcessor processor (nullptr);
    processor.setStateInformation (blob.getData(), (int) blob.getSize());

    EXPECT_GT (ProcessorTestAccess::updateChannelTruePeak (processor, 0, 0.0f), 0);
    MeterSnapshot meters;
    processor.copyMeterSnapshot (meters);
    EXPECT_EQ (meters.truePeakAlarm, 1) << "0 dBTP is above the default -1 dBTP maximum";

    const int port = startOnAFreePort (processor);
    ASSERT_GT (port, 0);
    remotetest::FramedTestClient client;
    ASSERT_TRUE (client.connect (port));
    const auto payload = client.readFrame();
    ASSERT_TRUE (payload.has_value());

    for (const auto& [address, value] : remotetest::valuesByAddress (*payload))
        EXPECT_TRUE (std::isfinite (value)) << address;

    processor.stopRemoteServer();
}

// Values and parse errors as fast as a client can send them, and clients that connect and close as
// fast as they can, each from an address of its own: a few lines a second and a count of the
// rest, while the reading client beside them is still fed.
TEST (RemoteHookup, FloodsAndChurnPrintAFewLinesASecondWhileAReadingClientIsStillFed)
{
    testsupport::StdoutCapture out;
    const auto began = juce::Time::getMillisecondCounterHiRes();
    OvexjuceLoudnessAudioProcessor processor (nullptr);
    const int port = startOnAFreePort (processor);
    ASSERT_GT (port, 0);

    remotetest::FramedTestClient reading;
    ASSERT_TRUE (reading.connect (port));

    std::vector<juce::MemoryBlock> flood;

    for (int i = 0; i < 50; ++i)
        for (auto value : { remotetest::message ("/measurementStandardParam", 1.0f), remotetest::message ("/measurementStandardParam", (osc::int32) 1) })
            flood.push_back (value);

    const auto floodPacket = remotetest::bundle (flood);
    std::atomic<bool> stop { false };
    std::thread flooder ([&]
    {
        remotetest::FramedTestClient client;

        if (client.connect (port, "127.0.0.2") && client.sendFrame (remotetest::message ("/adminPassword")))
            while (! stop && client.sendFrame (floodPacket))
            {
            }
    });
    std::thread churner ([&]
    {
        while (! stop)
            remotetest::FramedTestClient().connect (port, "127.0.0.3");
    });

    const auto floodReachedTheServer = [&] { return out.occurrences ("messages not printed") > 0; };
    EXPECT_TRUE (testsupport::waitUntil (floodReachedTheServer, remotetest::FramedTestClient::waitBoundMs))
        << "no line was left out";

    for (int frame = 0; frame < 3; ++frame)
        EXPECT_TRUE (reading.readFrame().has_value()) << frame << ": " << reading.lastFailure;

    // Stopping the server ends the flooder's send, which may be waiting for the server to read.
    stop = true;
    processor.stopRemoteServer();
    flooder.join();
    churner.join();

    // Five lines in each second the printer begins and one that counts the rest, none of them near
    // 100 bytes: bounded by the time it all took, however slow the machine.
    const auto secondsBegun = std::ceil ((juce::Time::getMillisecondCounterHiRes() - began) / 1000.0) + 1.0;
    EXPECT_LT ((double) out.text().size(), secondsBegun * 6 * 100) << out.text();
}
