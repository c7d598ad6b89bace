#pragma once

#include <juce_core/juce_core.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace testsupport
{
/** A fresh folder that stands in for the user's home while the object lives: HOME, XDG_CONFIG_HOME
    and XDG_STATE_HOME point into it (only HOME exists at first), and the previous values come
    back, and the folder goes, when it is destroyed. */
class ScopedTemporaryHome
{
public:
    ScopedTemporaryHome();
    ~ScopedTemporaryHome();

    const juce::File& getRoot() const noexcept { return root; }
    juce::File getHome() const { return root.getChildFile ("home"); }
    juce::File getConfigFolder() const { return root.getChildFile ("config"); }
    juce::File getStateFolder() const { return root.getChildFile ("state"); }

private:
    void set (const char* variable, const juce::File& value);

    juce::File root;
    std::vector<std::pair<std::string, std::optional<std::string>>> previousValues;

    JUCE_DECLARE_NON_COPYABLE (ScopedTemporaryHome)
};
} // namespace testsupport
