#include "KnownRemoteValues.h"
#include "OscTestPackets.h"
#include "QITOSCStandalone.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

using remotetest::decodeBundle;
using remotetest::distinctParameters;
using remotetest::distinctSnapshot;

namespace
{
struct ExpectedMessage
{
    std::string address;
    char type;
    double value;
};

const char* const roles[] = { "L", "R", "C", "LFE", "LS", "RS" };

std::vector<ExpectedMessage> expectedForDistinctValues()
{
    std::vector<ExpectedMessage> e {
        { "/momentaryLoudness", 'f', -23.5 },       { "/momentaryLoudnessPix", 'f', 0.125 },
        { "/shortTermLoudness", 'f', -24.25 },      { "/programLoudness", 'f', -22.75 },
        { "/loudnessRange", 'f', 7.5 },             { "/loudnessRangeVectorMin", 'f', 0.375 },
        { "/loudnessRangeVectorMax", 'f', 0.625 },  { "/arrowSliderValue", 'f', 0.875 },
        { "/truePeakAlarm", 'i', 1 },
    };

    const auto addPerRole = [&e] (const std::string& prefix, char type, double first, double step)
    {
        for (int r = 0; r < 6; ++r)
            e.push_back ({ prefix + roles[r], type, first + step * r });
    };

    addPerRole ("/truePeakValuesPerChannel", 'f', -10.0, -1.0);
    addPerRole ("/truePeakValuesPerChannelPix", 'f', 0.5, 0.0625);
    addPerRole ("/truePeakAlarmsPerChannel", 'i', 10.0, 1.0);
    addPerRole ("/vectroscopeValue", 'f', 20.0, 1.0);

    const char* const pairs[] = { "L-R", "L-C", "R-C", "LS-RS", "L-LS", "R-RS" };

    for (int r = 0; r < 6; ++r)
        e.push_back ({ std::string ("/veskCorr") + pairs[r], 'f', -0.5 + 0.25 * r });

    const std::vector<ExpectedMessage> tail {
        { "/processedSamplesCounter", 'd', 123456789.0 },
        { "/measurementStandardParam", 'f', 2.0 },
        { "/measurementScaleParam", 'f', 1.0 },
        { "/measurementUnitParam", 'f', 1.5 },
        { "/gatingOffFlagParam", 'f', 3.0 },
        { "/truePeakRefLevelParam", 'f', -6.0 },
        { "/truePeakMaxLevelParam", 'f', -2.0 },
        { "/truePeakHoldTimeParam", 'f', 5.0 },
        { "/truePeakOverloadTimeParam", 'f', 7.0 },
        { "/shtLoudnessMaxValueParam", 'f', -18.0 },
        { "/stereoDownmixParam", 'f', 8.0 },
        { "/vectroscopeInputDataParam", 'f', 9.0 },
        { "/stereoStateParam", 'T', 1.0 },
    };

    e.insert (e.end(), tail.begin(), tail.end());
    return e;
}

void expectBundle (const juce::MemoryBlock& packet, const std::vector<ExpectedMessage>& expected)
{
    EXPECT_EQ (packet.getSize(), 1900u);
    const auto messages = decodeBundle (packet);
    ASSERT_EQ (messages.size(), 52u);
    ASSERT_EQ (expected.size(), 52u);

    for (size_t i = 0; i < 52; ++i)
    {
        SCOPED_TRACE ("message " + std::to_string (i + 1));
        EXPECT_EQ (messages[i].address, expected[i].address);
        EXPECT_EQ (messages[i].type, expected[i].type);
        EXPECT_EQ (messages[i].value, expected[i].value);
    }
}
} // namespace

TEST (OutgoingBundle, CarriesEveryFieldAtItsOwnAddressAndTypeInWireOrder)
{
    QITOSCStandalone server;
    server.setMeterData (distinctSnapshot());
    server.setParameters (distinctParameters());

    const auto packet = server.getPacketData();
    expectBundle (packet, expectedForDistinctValues());

    // Bundle head: "#bundle", the immediate time tag, then the first element's size.
    const auto* bytes = static_cast<const unsigned char*> (packet.getData());
    const unsigned char head[] = { '#', 'b', 'u', 'n', 'd', 'l', 'e', 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0x1C };
    EXPECT_EQ (std::memcmp (bytes, head, sizeof (head)), 0);
}

TEST (OutgoingBundle, FreshServerSendsTheDefaultsOfAFreshProcessor)
{
    QITOSCStandalone server;
    server.setMeterData (MeterSnapshot {});
    server.setParameters (ParameterBlock {});

    const double inWireOrder[] = { -70, 0, -70, -70, -70, 0, 0, 0, 0,                    // levels, alarm
                                   -70, -70, -70, -70, -70, -70, 0, 0, 0, 0, 0, 0,       // true peaks
                                   0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,                   // alarms, sound field
                                   1, 1, 1, 1, 1, 1, 0,                                  // correlations, counter
                                   0, 0, 0, 0, 0, -1, 3, 3, -24, 0, 0, 0 };              // parameters, stereo

    auto expected = expectedForDistinctValues();

    for (size_t i = 0; i < expected.size(); ++i)
        expected[i].value = inWireOrder[i];

    expected.back().type = 'F';
    expectBundle (server.getPacketData(), expected);
}

TEST (OutgoingBundle, SampleCounterTravelsAsAnExactDouble)
{
    QITOSCStandalone server;

    for (const double count : { std::ldexp (1.0, 40) + 1.0, std::ldexp (1.0, 53) - 1.0 })
    {
        MeterSnapshot snapshot;
        snapshot.processedSamples = count;
        server.setMeterData (snapshot);

        const auto messages = decodeBundle (server.getPacketData());
        ASSERT_EQ (messages.size(), 52u);
        EXPECT_EQ (messages[39].address, "/processedSamplesCounter");
        EXPECT_EQ (messages[39].type, 'd');
        EXPECT_EQ (messages[39].value, count);
    }
}
