#include "QITOSCStandalone.h"
#include "RemoteTestKit.h"

#include <gtest/gtest.h>

#include <numeric>

TEST (OutgoingBundle, CarriesEveryFieldExactlyAtItsOwnAddressAndTypeInWireOrder)
{
    std::vector<std::string> addresses { "/momentaryLoudness", "/momentaryLoudnessPix", "/shortTermLoudness",
                                         "/programLoudness", "/loudnessRange", "/loudnessRangeVectorMin",
                                         "/loudnessRangeVectorMax", "/arrowSliderValue", "/truePeakAlarm" };

    for (const char* prefix : { "/truePeakValuesPerChannel", "/truePeakValuesPerChannelPix", "/truePeakAlarmsPerChannel", "/vectroscopeValue" })
        for (const char* role : { "L", "R", "C", "LFE", "LS", "RS" })
            addresses.push_back (std::string (prefix) + role);

    for (const char* pair : { "L-R", "L-C", "R-C", "LS-RS", "L-LS", "R-RS" })
        addresses.push_back (std::string ("/veskCorr") + pair);

    addresses.insert (addresses.end(), { "/processedSamplesCounter", "/measurementStandardParam", "/measurementScaleParam",
                                         "/measurementUnitParam", "/gatingOffFlagParam", "/truePeakRefLevelParam",
                                         "/truePeakMaxLevelParam", "/truePeakHoldTimeParam", "/truePeakOverloadTimeParam",
                                         "/shtLoudnessMaxValueParam", "/stereoDownmixParam", "/vectroscopeInputDataParam",
                                         "/stereoStateParam" });

    const std::string types = "ffffffffi" "ffffffffffff" "iiiiii" "ffffffffffff" "d" "fffffffffff";

    std::vector<double> distinct (52);
    std::iota (distinct.begin(), distinct.end(), 1.0);
    distinct[39] = std::ldexp (1.0, 40) + 1.0;
    distinct[51] = 1.0;

    const std::vector<double> fresh { -70, 0, -70, -70, -70, 0, 0, 0, 0,             // levels, alarm
                                      -70, -70, -70, -70, -70, -70, 0, 0, 0, 0, 0, 0, // true peaks
                                      0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,             // alarms, sound field
                                      1, 1, 1, 1, 1, 1, 0,                            // correlations, counter
                                      0, 0, 0, 0, 0, -1, 3, 3, -24, 0, 0, 0 };        // parameters, stereo

    const std::tuple<const char*, MeterSnapshot, ParameterBlock, std::vector<double>, char> cases[] = {
        { "distinct values", remotetest::distinctSnapshot(), remotetest::distinctParameters(), distinct, 'T' },
        { "a fresh processor's values", {}, {}, fresh, 'F' },
    };

    for (const auto& [name, meters, parameters, values, stereoType] : cases)
    {
        SCOPED_TRACE (name);
        QITOSCStandalone server;
        server.setMeterData (meters);
        server.setParameters (parameters);

        const auto packet = server.getPacketData();
        EXPECT_EQ (packet.getSize(), 1900u);
        const auto messages = remotetest::decodeBundle (packet);
        ASSERT_EQ (messages.size(), 52u);

        for (size_t i = 0; i < 52; ++i)
        {
            SCOPED_TRACE ("message " + std::to_string (i + 1));
            EXPECT_EQ (messages[i].address, addresses[i]);
            EXPECT_EQ (messages[i].type, i < 51 ? types[i] : stereoType);
            EXPECT_EQ (messages[i].value, values[i]);
        }
    }
}
