#pragma once

#include "ScopedEnvironmentVariable.h"
#include "ScopedTemporaryFolder.h"

/** A fresh, empty folder standing in for the per-user settings folder (XDG_CONFIG_HOME points at
    it) while the object lives, so that each test starts as a first run. */
class ScopedSettingsFolder
{
public:
    const juce::File& getFolder() const noexcept { return folder.getFolder(); }

private:
    testsupport::ScopedTemporaryFolder folder;
    testsupport::ScopedEnvironmentVariable configHome { "XDG_CONFIG_HOME", folder.getFolder().getFullPathName().toStdString() };
};
