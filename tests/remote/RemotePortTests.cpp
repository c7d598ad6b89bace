#include "RemotePort.h"

#include <gtest/gtest.h>

#include <limits>

TEST (RemotePort, EnteredValuesTruncateWithTwentyThousandBelowOneAndNoneBeyondTheTcpRange)
{
    constexpr auto infinity = std::numeric_limits<float>::infinity();
    constexpr auto none = std::optional<int>();

    const std::pair<float, std::optional<int>> cases[] = {
        { 0.0f, 20000 },      { -5.0f, 20000 },    { 0.99f, 20000 },   { -infinity, 20000 },
        { -1.0e30f, 20000 },  { 8000.9f, 8000 },   { 1.0f, 1 },        { 65535.0f, 65535 },
        { 65535.5f, 65535 },  { 65536.0f, none },  { 70000.0f, none }, { 1.0e30f, none },
        { infinity, none },   { std::numeric_limits<float>::quiet_NaN(), none },
    };

    for (const auto& [entered, port] : cases)
        EXPECT_EQ (remotePortForSetting (entered), port) << entered;
}
