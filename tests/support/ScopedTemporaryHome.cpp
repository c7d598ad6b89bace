#include "ScopedTemporaryHome.h"

#include <cstdlib>
#include <stdexcept>

namespace testsupport
{
namespace
{
/** Made in one step, so that tests running side by side never share a folder. */
juce::File makeUniqueFolder()
{
    auto pattern = juce::File::getSpecialLocation (juce::File::tempDirectory).getChildFile ("nolv-home-XXXXXX").getFullPathName().toStdString();

    if (mkdtemp (pattern.data()) == nullptr)
        throw std::runtime_error ("cannot create a temporary folder");

    return juce::File (pattern);
}
} // namespace

ScopedTemporaryHome::ScopedTemporaryHome()
    : root (makeUniqueFolder())
{
    getHome().createDirectory();
    set ("HOME", getHome());
    set ("XDG_CONFIG_HOME", getConfigFolder());
    set ("XDG_STATE_HOME", getStateFolder());
}

ScopedTemporaryHome::~ScopedTemporaryHome()
{
    for (auto it = previousValues.rbegin(); it != previousValues.rend(); ++it)
    {
        if (it->second.has_value())
            setenv (it->first.c_str(), it->second->c_str(), 1);
        else
            unsetenv (it->first.c_str());
    }

    root.deleteRecursively();
}

void ScopedTemporaryHome::set (const char* variable, const juce::File& value)
{
    const char* previous = std::getenv (variable);
    previousValues.emplace_back (variable, previous != nullptr ? std::optional<std::string> (previous) : std::nullopt);
    setenv (variable, value.getFullPathName().toRawUTF8(), 1);
}
} // namespace testsupport
