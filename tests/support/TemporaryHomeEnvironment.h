#pragma once

#include <juce_core/juce_core.h>

namespace testsupport
{
/** The shared test main runs every test binary with HOME in a temporary folder and the XDG folder
    variables removed, so nothing a test does can reach the real per-user folders. */
struct TemporaryHomeEnvironment
{
    /** The temporary HOME while the tests run. */
    static juce::File home() { return juce::File::getSpecialLocation (juce::File::userHomeDirectory); }
};
} // namespace testsupport
