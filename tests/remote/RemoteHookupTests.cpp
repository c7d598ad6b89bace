#include "ProcessorTestAccess.h"
#include "RemoteTestKit.h"
#include "StdoutCapture.h"
#include "WaitUntil.h"

#include <gtest/gtest.h>

#include <atomic>
#include <limits>
#include <map>
#include <thread>
#include <vector>

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

    const int port = remotetest::freePort();
    ASSERT_GT (port, 0);
    ASSERT_TRUE (processor.startRemoteServer ((float) port + 0.9f));
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

TEST (RemoteHookup, TheFeedKeepsItsPaceWhileTheMessageThreadIsBusy)
{
    OvexjuceLoudnessAudioProcessor processor (nullptr);
    const int port = remotetest::freePort();
    ASSERT_GT (port, 0);
    ASSERT_TRUE (processor.startRemoteServer ((float) port));

    remotetest::FramedTestClient client;
    ASSERT_TRUE (client.connect (port));
    ASSERT_TRUE (client.readFrame().has_value());

    std::atomic<int> frames { 0 };
    std::thread reader ([&] { while (client.readFrame().has_value()) ++frames; });

    // This is the message thread, and for two seconds it does nothing else.
    juce::Thread::sleep (2000);
    const int counted = frames.load();

    processor.stopRemoteServer();
    reader.join();
    EXPECT_GE (counted, 15) << "a bundle each 100 ms";
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

    const int port = remotetest::freePort();
    ASSERT_TRUE (processor.startRemoteServer ((float) port));
    remotetest::FramedTestClient client;
    ASSERT_TRUE (client.connect (port));
    const auto payload = client.readFrame();
    ASSERT_TRUE (payload.has_value());

    for (const auto& [address, value] : remotetest::valuesByAddress (*payload))
        EXPECT_TRUE (std::isfinite (value)) << address;

    processor.stopRemoteServer();
}

// Values and parse errors as fast as a client can send them, and clients that connect and close as
// fast as they can: a few lines a second and a count of the rest, about 430 bytes.
TEST (RemoteHookup, FloodsAndChurnPrintAFewLinesASecondWhileAReadingClientIsStillFed)
{
    testsupport::StdoutCapture out;
    OvexjuceLoudnessAudioProcessor processor (nullptr);
    const int port = remotetest::freePort();
    ASSERT_GT (port, 0);
    ASSERT_TRUE (processor.startRemoteServer ((float) port));

    remotetest::FramedTestClient reading;
    ASSERT_TRUE (reading.connect (port));
    std::atomic<int> bundles { 0 };
    std::thread reader ([&] { while (reading.readFrame().has_value()) ++bundles; });

    std::vector<juce::MemoryBlock> flood;

    for (int i = 0; i < 50; ++i)
        for (auto value : { remotetest::message ("/measurementStandardParam", 1.0f), remotetest::message ("/measurementStandardParam", (osc::int32) 1) })
            flood.push_back (value);

    const auto floodPacket = remotetest::bundle (flood);
    std::atomic<bool> stop { false };
    std::thread flooder ([&]
    {
        remotetest::FramedTestClient client;

        if (client.connect (port) && client.sendFrame (remotetest::message ("/adminPassword")))
            while (! stop && client.sendFrame (floodPacket))
            {
            }
    });
    std::thread churner ([&]
    {
        while (! stop)
            juce::StreamingSocket().connect ("127.0.0.1", port, 2000);
    });

    // The span measured.
    juce::Thread::sleep (3000);
    const int counted = bundles.load();
    const auto printedBytes = out.text().size();
    stop = true;
    flooder.join();
    churner.join();
    processor.stopRemoteServer();
    reader.join();

    EXPECT_GE (counted, 20) << "a bundle each 100 ms";
    EXPECT_LT (printedBytes, 2000u) << out.text();
    EXPECT_GT (out.occurrences ("messages not printed"), 0) << "the flood reached the server";
}
