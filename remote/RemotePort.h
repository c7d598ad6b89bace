#pragma once

#include <optional>

/** The port the remote server listens on for the port the user entered: the value truncated
    toward zero, 20000 below 1; none when that is no TCP port (above 65535, or not a number). */
std::optional<int> remotePortForSetting (float enteredPort) noexcept;
