#pragma once

#include <functional>

namespace testsupport
{
/** Polls the condition every millisecond until it holds or the time-out passes; returns whether it
    held. For events on other threads that a test cannot drive itself. */
bool waitUntil (const std::function<bool()>& condition, int timeoutMs = 5000);
} // namespace testsupport
