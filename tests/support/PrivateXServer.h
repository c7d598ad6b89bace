#pragma once

#include "ProgramUnderTest.h"
#include "ScopedEnvironmentVariable.h"

#include <juce_core/juce_core.h>

#include <memory>
#include <string>

namespace testsupport
{
/** A virtual X server of the test's own, so that the windows it drives with xdotool are the only
    ones there. While the object lives it is the display (DISPLAY) of every program this process
    starts; the test process keeps the connection it already has. Stopped by its pid. */
class PrivateXServer
{
public:
    explicit PrivateXServer (const juce::File& logFolder);
    ~PrivateXServer();

    /** Whether the server came up within the time-out and is now the display for new programs. */
    bool waitUntilRunning (int timeoutMilliseconds = 20000);

    juce::File getLog() const { return logFolder.getChildFile ("Xvfb.log"); }

private:
    const juce::File logFolder;
    ProgramUnderTest xvfb;
    std::unique_ptr<ScopedEnvironmentVariable> display;
};
} // namespace testsupport
