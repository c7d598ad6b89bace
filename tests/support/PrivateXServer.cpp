#include "PrivateXServer.h"

#include "WaitUntil.h"

namespace testsupport
{
// The server picks a free display number itself and writes it to its standard output, the log.
PrivateXServer::PrivateXServer (const juce::File& folder)
    : logFolder (folder),
      xvfb ({ "Xvfb", "-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp" }, getLog())
{
}

PrivateXServer::~PrivateXServer()
{
    display.reset();
    xvfb.terminate();
    xvfb.succeeds (5000);
}

bool PrivateXServer::waitUntilRunning (int timeoutMilliseconds)
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
} // namespace testsupport
