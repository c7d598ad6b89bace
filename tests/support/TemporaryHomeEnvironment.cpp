#include "TemporaryHomeEnvironment.h"

namespace testsupport
{
void TemporaryHomeEnvironment::SetUp()
{
    folder = std::make_unique<ScopedTemporaryFolder>();
    folder->getChildFile ("home").createDirectory();

    variables.push_back (std::make_unique<ScopedEnvironmentVariable> (
        "HOME", folder->getChildFile ("home").getFullPathName().toStdString()));

    for (auto* name : { "XDG_STATE_HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME" })
        variables.push_back (std::make_unique<ScopedEnvironmentVariable> (name, std::nullopt));
}

void TemporaryHomeEnvironment::TearDown()
{
    while (! variables.empty())
        variables.pop_back();

    folder.reset();
}

juce::File TemporaryHomeEnvironment::home()
{
    return juce::File::getSpecialLocation (juce::File::userHomeDirectory);
}
} // namespace testsupport
