#include "OscTestPackets.h"
#include "QITOSCStandalone.h"
#include "StdoutCapture.h"

#include <gtest/gtest.h>

#include <cmath>

using remotetest::decodeBundle;
using remotetest::floatMessage;
using remotetest::nestedBundles;
using remotetest::packetOf;
using remotetest::valueAt;

namespace
{
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

TEST (IncomingMessages, StereoStateTakesTrueAndFalse)
{
    UnlockedServer remote;

    remote.receive (packetOf ([] (auto& p) { p << osc::BeginMessage ("/stereoStateParam") << true << osc::EndMessage; }));
    EXPECT_EQ (stored (remote.server, "/stereoStateParam"), 1.0);

    remote.receive (packetOf ([] (auto& p) { p << osc::BeginMessage ("/stereoStateParam") << false << osc::EndMessage; }));
    EXPECT_EQ (stored (remote.server, "/stereoStateParam"), 0.0);
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

TEST (IncomingMessages, MessagesThatCannotBeStoredChangeNothingAndPrintOnlyArgumentErrors)
{
    const auto bytes = [] (const auto& literal) { return juce::MemoryBlock (literal, sizeof (literal) - 1); };
    const std::string error = "error while parsing message: ";

    const std::pair<juce::MemoryBlock, std::string> cases[] = {
        // Argument errors: one line each.
        { packetOf ([] (auto& p) { p << osc::BeginMessage ("/measurementScaleParam") << (osc::int32) 1 << osc::EndMessage; }),
          error + "/measurementScaleParam: wrong argument type\n" },
        { packetOf ([] (auto& p) { p << osc::BeginMessage ("/gatingOffFlagParam") << 1.0f << 2.0f << osc::EndMessage; }),
          error + "/gatingOffFlagParam: too many arguments\n" },
        { packetOf ([] (auto& p) { p << osc::BeginMessage ("/gatingOffFlagParam") << osc::EndMessage; }),
          error + "/gatingOffFlagParam: missing argument\n" },
        { packetOf ([] (auto& p) { p << osc::BeginMessage ("/measurementStandardParam") << 1.0 << osc::EndMessage; }),
          error + "/measurementStandardParam: wrong argument type\n" },
        { floatMessage ("/stereoStateParam", 0.0f), error + "/stereoStateParam: wrong argument type\n" },
        { packetOf ([] (auto& p) { p << osc::BeginMessage ("/stereoStateParam") << true << true << osc::EndMessage; }),
          error + "/stereoStateParam: too many arguments\n" },
        { bytes ("/gatingOffFlagParam\0,b\0\0\0\0\0\x04\x01\x02\x03\x04"), error + "/gatingOffFlagParam: wrong argument type\n" },

        // Addresses that are not settable, matched exactly.
        { floatMessage ("/MeasurementScaleParam", 9.0f), "" },
        { floatMessage ("/measurementScaleParam/", 9.0f), "" },
        { floatMessage ("/truePeakOverloadTimeParam", 9.0f), "" },
        { floatMessage ("/followTransportFlagParam", 9.0f), "" },
        { floatMessage ("/processedSamplesCounter", 9.0f), "" },

        // Malformed packets, dropped silently before oscpack reads past their end.
        { bytes ("/gatingOffFlagParam\0,bb\0\x3f\x80\0\0\0\0\0\0"), "" },
        { remotetest::bundleOfRawElements ({ bytes ("/gatingOffFlagParam\0,b\0\0\0\0\0\x40") }), "" },
        { bytes ("/measurementScaleParam\0\0,s\0\0abcd"), "" },
        { bytes ("/measurementScaleParam\0\0,fff"), "" },
        { bytes ("/measurementScaleParam\0\0,f\0\0"), "" },
        { bytes ("/measurementScaleParam\0\0,x\0\0\0\0\0\0"), "" },
        { bytes ("/ab\0\0\0"), "" },
        { juce::MemoryBlock(), "" },
    };

    testsupport::StdoutCapture out;
    UnlockedServer remote;
    const auto before = storedParameters (remote.server);

    for (size_t i = 0; i < std::size (cases); ++i)
    {
        SCOPED_TRACE ("case " + std::to_string (i));
        out.clear();
        EXPECT_NO_THROW (remote.receive (cases[i].first));
        EXPECT_EQ (out.text(), cases[i].second);
    }

    EXPECT_EQ (storedParameters (remote.server), before);

    // A size beyond what oscpack accepts is refused before a byte is read.
    EXPECT_THROW (remote.server.ProcessPacket ("/ab", 0x7FFFFFFD), osc::MalformedPacketException);
}
