#pragma once

#include "ScopedEnvironmentVariable.h"
#include "ScopedTemporaryFolder.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace testsupport
{
/** Runs a whole test binary with HOME in a temporary folder and the XDG folder variables removed,
    so nothing a test does can reach the real per-user folders. Register it before the tests run:
    testing::AddGlobalTestEnvironment (new testsupport::TemporaryHomeEnvironment). */
class TemporaryHomeEnvironment : public testing::Environment
{
public:
    void SetUp() override;
    void TearDown() override;

    /** The temporary HOME while the tests run. */
    static juce::File home();

private:
    std::unique_ptr<ScopedTemporaryFolder> folder;
    std::vector<std::unique_ptr<ScopedEnvironmentVariable>> variables;
};
} // namespace testsupport
