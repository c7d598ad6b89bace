#include "PlatformPaths.h"

namespace
{
juce::File fromEnvironmentOrHome (const char* variable, const char* homeRelativeFallback)
{
    const auto value = juce::SystemStats::getEnvironmentVariable (variable, {});

    if (value.isNotEmpty() && juce::File::isAbsolutePath (value) && value.startsWithChar ('/'))
        return juce::File (value);

    return juce::File::getSpecialLocation (juce::File::userHomeDirectory).getChildFile (homeRelativeFallback);
}
} // namespace

juce::File platformLogBaseFolder()
{
    return fromEnvironmentOrHome ("XDG_STATE_HOME", ".local/state");
}

juce::File platformSharedFolder()
{
    return fromEnvironmentOrHome ("XDG_CONFIG_HOME", ".config");
}
