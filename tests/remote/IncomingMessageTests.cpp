#include "OscTestPackets.h"
#include "QITOSCStandalone.h"
#include "StdoutCapture.h"

#include <gtest/gtest.h>

#include <cmath>

using remotetest::decodeBundle;
using remotetest::nestedBundles;
using remotetest::packetOf;
using remotetest::valueAt;

namespace
{
using Writer = std::function<void (osc::OutboundPacketStream&)>;

juce::MemoryBlock floatMessage (const char* address, float value)
{
    return packetOf ([&] (auto& p) { p << osc::BeginMessage (address) << value << osc::EndMessage; });
}

juce::MemoryBlock unlockMessage()
{
    return packetOf ([] (auto& p) { p << osc::BeginMessage ("/adminPassword") << osc::EndMessage; });
}

/** The value the next bundle carries for the address: what the server has stored. */
double stored (QITOSCStandalone& server, const char* address)
{
    return valueAt (decodeBundle (server.getPacketData()), address);
}

/** The parameter part of the next bundle, messages 41 to 52. */
std::vector<double> storedParameters (QITOSCStandalone& server)
{
    const auto messages = decodeBundle (server.getPacketData());
    std::vector<double> values;

    for (size_t i = 40; i < messages.size(); ++i)
        values.push_back (messages[i].value);

    return values;
}

struct UnlockedServer
{
    UnlockedServer() { server.messageReceived (unlockMessage(), 1); }
    void receive (const juce::MemoryBlock& packet) { server.messageReceived (packet, 1); }

    QITOSCStandalone server;
};
} // namespace

TEST (IncomingMessages, ParameterMessagesCountOnlyAfterAnyClientUnlocks)
{
    testsupport::StdoutCapture out;
    QITOSCStandalone server;

    server.messageReceived (floatMessage ("/measurementScaleParam", 1.0f), 1);
    EXPECT_EQ (stored (server, "/measurementScaleParam"), 0.0);
    EXPECT_EQ (out.text(), "");

    // The unlock's argument is not looked at, and it opens the gate for every client.
    server.messageReceived (packetOf ([] (auto& p)
                                      { p << osc::BeginMessage ("/adminPassword") << (osc::int32) 1 << osc::EndMessage; }),
                            1);
    server.messageReceived (floatMessage ("/measurementScaleParam", 1.0f), 2);
    EXPECT_EQ (stored (server, "/measurementScaleParam"), 1.0);
    EXPECT_EQ (out.text(), "\n1");
}

TEST (IncomingMessages, EachSettableAddressStoresItsFloatAndOnlyStandardScaleAndUnitPrint)
{
    struct Case
    {
        const char* address;
        float value;
        const char* printed;
    };

    const Case cases[] = {
        { "/measurementStandardParam", 2.0f, "\n2" },
        { "/measurementScaleParam", 0.5f, "\n0.5" },
        { "/measurementUnitParam", 1234567.0f, "\n1.23457e+06" },
        { "/gatingOffFlagParam", 1.0f, "" },
        { "/truePeakRefLevelParam", -3.5f, "" },
        { "/truePeakMaxLevelParam", -0.25f, "" },
        { "/truePeakHoldTimeParam", 10.0f, "" },
        { "/shtLoudnessMaxValueParam", -12.0f, "" },
        { "/stereoDownmixParam", 1.0f, "" },
        { "/vectroscopeInputDataParam", 2.0f, "" },
    };

    testsupport::StdoutCapture out;
    UnlockedServer remote;

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.address);
        out.clear();
        remote.receive (floatMessage (c.address, c.value));
        EXPECT_EQ (stored (remote.server, c.address), (double) c.value);
        EXPECT_EQ (out.text(), c.printed);
    }
}

TEST (IncomingMessages, StereoStateTakesOnlyTrueOrFalse)
{
    testsupport::StdoutCapture out;
    UnlockedServer remote;

    remote.receive (packetOf ([] (auto& p) { p << osc::BeginMessage ("/stereoStateParam") << true << osc::EndMessage; }));
    EXPECT_EQ (stored (remote.server, "/stereoStateParam"), 1.0);

    remote.receive (floatMessage ("/stereoStateParam", 0.0f));
    EXPECT_EQ (stored (remote.server, "/stereoStateParam"), 1.0);
    EXPECT_EQ (out.text(), "error while parsing message: /stereoStateParam: wrong argument type\n");

    remote.receive (packetOf ([] (auto& p) { p << osc::BeginMessage ("/stereoStateParam") << false << osc::EndMessage; }));
    EXPECT_EQ (stored (remote.server, "/stereoStateParam"), 0.0);
}

TEST (IncomingMessages, ArgumentErrorsPrintOneLineAndChangeNothing)
{
    struct Case
    {
        Writer write;
        const char* line;
    };

    const Case cases[] = {
        { [] (auto& p) { p << osc::BeginMessage ("/measurementScaleParam") << (osc::int32) 1 << osc::EndMessage; },
          "error while parsing message: /measurementScaleParam: wrong argument type\n" },
        { [] (auto& p) { p << osc::BeginMessage ("/gatingOffFlagParam") << 1.0f << 2.0f << osc::EndMessage; },
          "error while parsing message: /gatingOffFlagParam: too many arguments\n" },
        { [] (auto& p) { p << osc::BeginMessage ("/gatingOffFlagParam") << osc::EndMessage; },
          "error while parsing message: /gatingOffFlagParam: missing argument\n" },
        { [] (auto& p) { p << osc::BeginMessage ("/measurementStandardParam") << 1.0 << osc::EndMessage; },
          "error while parsing message: /measurementStandardParam: wrong argument type\n" },
        { [] (auto& p) { p << osc::BeginMessage ("/stereoStateParam") << true << true << osc::EndMessage; },
          "error while parsing message: /stereoStateParam: too many arguments\n" },
    };

    testsupport::StdoutCapture out;
    UnlockedServer remote;
    const auto before = storedParameters (remote.server);

    for (const auto& c : cases)
    {
        out.clear();
        remote.receive (packetOf (c.write));
        EXPECT_EQ (out.text(), c.line);
    }

    EXPECT_EQ (storedParameters (remote.server), before);
}

TEST (IncomingMessages, UnknownAndSendOnlyAddressesAreIgnored)
{
    testsupport::StdoutCapture out;
    UnlockedServer remote;
    const auto before = storedParameters (remote.server);

    for (const char* address : { "/MeasurementScaleParam", "/measurementScaleParam/", "/truePeakOverloadTimeParam",
                                 "/followTransportFlagParam", "/momentaryLoudness", "/processedSamplesCounter" })
        remote.receive (floatMessage (address, 9.0f));

    EXPECT_EQ (storedParameters (remote.server), before);
    EXPECT_EQ (out.text(), "");
}

TEST (IncomingMessages, BundledMessagesApplyInOrderAtAnyAllowedDepth)
{
    testsupport::StdoutCapture out;
    UnlockedServer remote;

    remote.receive (packetOf ([] (auto& p)
                              {
                                  p << osc::BeginBundleImmediate << osc::BeginBundleImmediate;
                                  p << osc::BeginMessage ("/measurementScaleParam") << 1.0f << osc::EndMessage;
                                  p << osc::BeginMessage ("/measurementScaleParam") << 2.0f << osc::EndMessage;
                                  p << osc::EndBundle << osc::EndBundle;
                              }));
    EXPECT_EQ (out.text(), "\n1\n2");
    EXPECT_EQ (stored (remote.server, "/measurementScaleParam"), 2.0);

    out.clear();
    remote.receive (nestedBundles (NoEndpointOscPacketListener::maxBundleDepth, floatMessage ("/measurementScaleParam", 3.0f)));
    EXPECT_EQ (out.text(), "\n3");
}

TEST (IncomingMessages, BundlesNestedBeyondTheLimitAreDroppedWhole)
{
    testsupport::StdoutCapture out;
    UnlockedServer remote;

    for (const int levels : { NoEndpointOscPacketListener::maxBundleDepth + 1, 100000 })
    {
        SCOPED_TRACE (levels);
        remote.receive (nestedBundles (levels, floatMessage ("/measurementScaleParam", 4.0f)));
        EXPECT_EQ (stored (remote.server, "/measurementScaleParam"), 0.0);
        EXPECT_EQ (out.text(), "");
    }
}

TEST (IncomingMessages, MalformedElementEndsItsPacketButEarlierMessagesStay)
{
    testsupport::StdoutCapture out;
    UnlockedServer remote;

    const juce::MemoryBlock unterminatedAddress ("/measurementUnitP", 16);
    remote.receive (remotetest::bundleOfRawElements ({ floatMessage ("/measurementScaleParam", 1.0f),
                                                       unterminatedAddress,
                                                       floatMessage ("/measurementUnitParam", 1.0f) }));
    EXPECT_EQ (out.text(), "\n1");
    EXPECT_EQ (stored (remote.server, "/measurementUnitParam"), 0.0);

    remote.receive (floatMessage ("/measurementUnitParam", 1.0f));
    EXPECT_EQ (stored (remote.server, "/measurementUnitParam"), 1.0);
}

TEST (IncomingMessages, PacketsOfInvalidSizeAreRefusedBeforeAnyByteIsRead)
{
    struct Case
    {
        int size;
        const char* error;
    };

    const Case cases[] = {
        { 6, "element size must be multiple of four" },
        { 0, "zero length elements not permitted" },
        { 0x7FFFFFFD, "invalid packet size" },
        { -4, "invalid packet size" },
    };

    UnlockedServer remote;
    const char bytes[8] = "/ab";

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.size);

        try
        {
            remote.server.ProcessPacket (bytes, c.size);
            ADD_FAILURE() << "accepted";
        }
        catch (const osc::MalformedPacketException& e)
        {
            EXPECT_STREQ (e.what(), c.error);
        }
    }

    // Through a connection the same packets are simply dropped.
    testsupport::StdoutCapture out;
    EXPECT_NO_THROW (remote.receive (juce::MemoryBlock (bytes, 6)));
    EXPECT_NO_THROW (remote.receive (juce::MemoryBlock()));
    EXPECT_EQ (out.text(), "");
}

TEST (IncomingMessages, MessagesWhoseArgumentsOverrunTheirSizeAreDroppedBeforeParsing)
{
    struct Case
    {
        const char* what;
        juce::MemoryBlock packet;
    };

    const auto bytes = [] (const auto& literal) { return juce::MemoryBlock (literal, sizeof (literal) - 1); };

    const Case cases[] = {
        { "blob longer than the message", bytes ("/gatingOffFlagParam\0,bb\0\x3f\x80\0\0\0\0\0\0") },
        { "blob inside a bundle, longer than its element",
          remotetest::bundleOfRawElements ({ bytes ("/gatingOffFlagParam\0,b\0\0\0\0\0\x40") }) },
        { "string argument without its terminator", bytes ("/measurementScaleParam\0\0,s\0\0abcd") },
        { "type tags without their terminator", bytes ("/measurementScaleParam\0\0,fff") },
        { "float tag without its four bytes", bytes ("/measurementScaleParam\0\0,f\0\0") },
        { "unknown type tag", bytes ("/measurementScaleParam\0\0,x\0\0\0\0\0\0") },
    };

    testsupport::StdoutCapture out;
    UnlockedServer remote;
    const auto before = storedParameters (remote.server);

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        remote.receive (c.packet);
        EXPECT_EQ (out.text(), "");
    }

    EXPECT_EQ (storedParameters (remote.server), before);

    // A well-formed blob still reaches the address chain, which refuses its type.
    remote.receive (bytes ("/gatingOffFlagParam\0,b\0\0\0\0\0\x04\x01\x02\x03\x04"));
    EXPECT_EQ (out.text(), "error while parsing message: /gatingOffFlagParam: wrong argument type\n");
}
