#pragma once

// The program's own name and version, as the window title, the application object and the about
// box show them.
namespace productInfo
{
constexpr const char* productTitle = "NOLv 5.1";
constexpr const char* applicationName = "NOLV5.1";
constexpr const char* applicationVersion = "2.0.1";
constexpr int buildNumber = 506;
} // namespace productInfo
