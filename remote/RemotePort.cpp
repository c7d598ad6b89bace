#include "RemotePort.h"

#include <algorithm>
#include <cmath>

std::optional<int> remotePortForSetting (float enteredPort) noexcept
{
    constexpr int defaultPort = 20000;
    constexpr int highestPort = 65535;

    if (std::isnan (enteredPort))
        return std::nullopt;

    // Clamped first: converting a float beyond int's range is undefined.
    const auto port = (int) std::clamp (enteredPort, 0.0f, (float) highestPort + 1.0f);

    if (port < 1)
        return defaultPort;

    if (port > highestPort)
        return std::nullopt;

    return port;
}
