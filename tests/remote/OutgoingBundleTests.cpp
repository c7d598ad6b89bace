#include "QITOSCStandalone.h"
#include "RemoteTestKit.h"

#include <gtest/gtest.h>

// Each field's address, type and place, with a value of its own, is read off the wire by the
// Node.js decode of the bundle server's stream; here, what a fresh processor's values become.
TEST (OutgoingBundle, AFreshProcessorsValuesGoOutAsTheyAreWithTheStereoStateFalse)
{
    const std::vector<double> fresh { -70, 0, -70, -70, -70, 0, 0, 0, 0,             // levels, alarm
                                      -70, -70, -70, -70, -70, -70, 0, 0, 0, 0, 0, 0, // true peaks
                                      0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,             // alarms, sound field
                                      1, 1, 1, 1, 1, 1, 0,                            // correlations, counter
                                      0, 0, 0, 0, 0, -1, 3, 3, -24, 0, 0, 0 };        // parameters, stereo

    QITOSCStandalone server;
    server.setMeterData ({});
    server.setParameters ({});
    const auto packet = server.getPacketData();
    EXPECT_EQ (packet.getSize(), 1900u);
    const auto messages = remotetest::decodeBundle (packet);
    ASSERT_EQ (messages.size(), fresh.size());

    for (size_t i = 0; i < fresh.size(); ++i)
        EXPECT_EQ (messages[i].value, fresh[i]) << messages[i].address;

    EXPECT_EQ (messages.back().type, 'F');
}
