#pragma once

#include "ProgramUnderTest.h"
#include "ScopedEnvironmentVariable.h"
#include "WaitUntil.h"

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
    // The server picks a free display number itself and writes it to its standard output, the log.
    explicit PrivateXServer (const juce::File& logFolder)
        : folder (logFolder), xvfb ({ "Xvfb", "-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp" }, getLog())
    {
    }

    ~PrivateXServer()
    {
        display.reset();
        xvfb.terminate();
        xvfb.succeeds (5000);
    }

    /** Whether the server came up within the time-out and is now the display for new programs. */
    bool waitUntilRunning (int timeoutMilliseconds = 20000)
    {
        juce::String number;

        const bool announced = waitUntil ([&]
        {
            for (const auto& line : juce::StringArray::fromLines (getLog().loadFileAsString()))
                if (line.trim().containsOnly ("0123456789") && line.trim().isNotEmpty())
                    number = line.trim();

            return number.isNotEmpty() || ! xvfb.isRunning();
        }, timeoutMilliseconds);

        if (! announced || number.isEmpty())
            return false;

        display = std::make_unique<ScopedEnvironmentVariable> ("DISPLAY", ":" + number.toStdString());
        return true;
    }

    juce::File getLog() const { return folder.getChildFile ("Xvfb.log"); }

private:
    const juce::File folder;
    ProgramUnderTest xvfb;
    std::unique_ptr<ScopedEnvironmentVariable> display;
};
} // namespace testsupport
