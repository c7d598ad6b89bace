#include "QITOSCStandalone.h"
#include "RemoteTestKit.h"
#include "StdoutCapture.h"

#include <gtest/gtest.h>

#include <vector>

using remotetest::bundle;
using remotetest::message;

// Standard output and the next bundle are all of the server's state that a client can observe.
TEST (IncomingMessages, EachPacketStoresOnlyWhatItsAddressAndArgumentsAllowAndPrintsItsText)
{
    const auto bytes = [] (const auto& literal) { return juce::MemoryBlock (literal, sizeof (literal) - 1); };
    const std::string error = "error while parsing message: ";
    const char* const scale = "/measurementScaleParam";
    const char* const unit = "/measurementUnitParam";
    constexpr int depthLimit = NoEndpointOscPacketListener::maxBundleDepth;

    struct Case
    {
        juce::MemoryBlock packet;
        std::string printed;
        const char* storedAt = nullptr;
        double stored = 0.0;
    };

    // Each stored value differs from the one before it at that address.
    const Case cases[] = {
        // The gate: closed until any client unlocks, whatever the unlock's argument, then open to all.
        { message (scale, 1.0f), "" },
        { message ("/adminPassword", (osc::int32) 1), "" },
        { message (scale, 1.0f), "\n1", scale, 1.0 },

        // Every settable address takes its type; only standard, scale and unit print.
        { message ("/measurementStandardParam", 2.0f), "\n2", "/measurementStandardParam", 2.0 },
        { message (scale, 0.5f), "\n0.5", scale, 0.5 },
        { message (unit, 1234567.0f), "\n1.23457e+06", unit, 1234567.0 },
        { message ("/gatingOffFlagParam", 1.0f), "", "/gatingOffFlagParam", 1.0 },
        { message ("/truePeakRefLevelParam", -3.5f), "", "/truePeakRefLevelParam", -3.5 },
        { message ("/truePeakMaxLevelParam", -0.25f), "", "/truePeakMaxLevelParam", -0.25 },
        { message ("/truePeakHoldTimeParam", 10.0f), "", "/truePeakHoldTimeParam", 10.0 },
        { message ("/shtLoudnessMaxValueParam", -12.0f), "", "/shtLoudnessMaxValueParam", -12.0 },
        { message ("/stereoDownmixParam", 1.0f), "", "/stereoDownmixParam", 1.0 },
        { message ("/vectroscopeInputDataParam", 2.0f), "", "/vectroscopeInputDataParam", 2.0 },
        { message ("/stereoStateParam", true), "", "/stereoStateParam", 1.0 },
        { message ("/stereoStateParam", false), "", "/stereoStateParam", 0.0 },

        // Bundles apply in order down to the depth limit; deeper ones are dropped whole.
        { bundle ({ message (scale, 3.0f), message (scale, 4.0f) }, 2), "\n3\n4", scale, 4.0 },
        { bundle ({ message (scale, 5.0f) }, depthLimit), "\n5", scale, 5.0 },
        { bundle ({ message (scale, 6.0f) }, depthLimit + 1), "" },

        // A malformed element ends its packet; what came before it stays.
        { bundle ({ message (scale, 7.0f), bytes ("/measurementUnit"), message (unit, 8.0f) }), "\n7", scale, 7.0 },

        // Wrong, surplus and missing arguments: one line each, nothing stored.
        { message (scale, (osc::int32) 1), error + "/measurementScaleParam: wrong argument type\n" },
        { message ("/gatingOffFlagParam", 1.0f, 2.0f), error + "/gatingOffFlagParam: too many arguments\n" },
        { message ("/gatingOffFlagParam"), error + "/gatingOffFlagParam: missing argument\n" },
        { message ("/stereoStateParam", 0.0f), error + "/stereoStateParam: wrong argument type\n" },
        { message ("/stereoStateParam", true, true), error + "/stereoStateParam: too many arguments\n" },

        // Addresses that are not settable, matched exactly.
        { message ("/MeasurementScaleParam", 9.0f), "" },
        { message ("/measurementScaleParam/", 9.0f), "" },
        { message ("/truePeakOverloadTimeParam", 9.0f), "" },

        // Malformed packets, dropped silently before oscpack reads past their end.
        { bytes ("/gatingOffFlagParam\0,bb\0\x3f\x80\0\0\0\0\0\0"), "" },
        { bytes ("/measurementScaleParam\0\0,s\0\0abcd"), "" },
        { bytes ("/measurementScaleParam\0\0,fff"), "" },
        { bytes ("/measurementScaleParam\0\0,x\0\0\0\0\0\0"), "" },
        { bytes ("/ab\0\0\0"), "" },
        { juce::MemoryBlock(), "" },
    };

    testsupport::StdoutCapture out;
    remotetest::ManualClock clock;
    QITOSCStandalone server (clock.reader());

    for (size_t i = 0; i < std::size (cases); ++i)
    {
        SCOPED_TRACE ("case " + std::to_string (i));
        auto expected = remotetest::valuesByAddress (server.getPacketData());

        if (cases[i].storedAt != nullptr)
            expected[cases[i].storedAt] = cases[i].stored;

        // A second of printed lines of its own.
        clock.advance (1000.0);
        out.clear();
        server.messageReceived (cases[i].packet, (int) i + 1);
        EXPECT_EQ (out.text(), cases[i].printed);
        EXPECT_EQ (remotetest::valuesByAddress (server.getPacketData()), expected);
    }

    // A size beyond what oscpack accepts is refused before a byte is read.
    EXPECT_THROW (server.ProcessPacket ("/ab", 0x7FFFFFFD), osc::MalformedPacketException);
}

// Every line a client causes counts against one budget for all connections together; the lines
// left out are told once their second has passed, whether or not anything else is printed then.
TEST (IncomingMessages, AtMostFiveLinesASecondArePrintedAndTheRestCountedOnceASecond)
{
    testsupport::StdoutCapture out;
    remotetest::ManualClock clock;
    QITOSCStandalone server (clock.reader());
    server.messageReceived (message ("/adminPassword"), 1);
    const std::vector<juce::MemoryBlock> values (100, message ("/measurementStandardParam", 1.0f));

    for (int connection = 1; connection <= 3; ++connection)
    {
        server.connectionMade (connection);
        server.messageReceived (bundle (values), connection);
        server.messageReceived (message ("/measurementStandardParam", (osc::int32) 1), connection);
    }

    const std::string firstSecond = "Connected to server\n1\n1\n1\n1";
    EXPECT_EQ (out.text(), firstSecond);

    clock.advance (999.0);
    server.sendToAll();
    EXPECT_EQ (out.text(), firstSecond);

    clock.advance (1.0);
    server.sendToAll();
    server.connectionLost (2);
    clock.advance (1000.0);
    server.sendToAll();
    EXPECT_EQ (out.text(), firstSecond + "\nremote server: 301 messages not printed" + "Disconnected from server");
}
