#include "PlatformPaths.h"

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

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

FileClaim claimNewFile (const juce::File& file)
{
    const int handle = ::open (file.getFullPathName().toRawUTF8(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0644);

    if (handle < 0)
        return errno == EEXIST ? FileClaim::taken : FileClaim::failed;

    ::close (handle);
    return FileClaim::claimed;
}
