#pragma once

#include "ScopedEnvironmentVariable.h"
#include "ScopedTemporaryFolder.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace testsupport
{
/** Runs a whole test binary with HOME in a temporary folder and the XDG folder variables removed,
    so nothing a test does can reach the real per-user folders. The shared test main registers it. */
class TemporaryHomeEnvironment : public testing::Environment
{
public:
    void SetUp() override
    {
        folder = std::make_unique<ScopedTemporaryFolder>();
        folder->getChildFile ("home").createDirectory();
        variables.push_back (std::make_unique<ScopedEnvironmentVariable> ("HOME", folder->getChildFile ("home").getFullPathName().toStdString()));

        for (auto* name : { "XDG_STATE_HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME" })
            variables.push_back (std::make_unique<ScopedEnvironmentVariable> (name, std::nullopt));
    }

    void TearDown() override
    {
        while (! variables.empty())
            variables.pop_back();

        folder.reset();
    }

    /** The temporary HOME while the tests run. */
    static juce::File home() { return juce::File::getSpecialLocation (juce::File::userHomeDirectory); }

private:
    std::unique_ptr<ScopedTemporaryFolder> folder;
    std::vector<std::unique_ptr<ScopedEnvironmentVariable>> variables;
};
} // namespace testsupport
