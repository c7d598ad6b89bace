#pragma once

#include "ProgramUnderTest.h"
#include "ScopedEnvironmentVariable.h"

#include <juce_core/juce_core.h>

#include <string>

namespace testsupport
{
/** A JACK server of the test's own, on the dummy driver with six capture and six playback
    channels, under a name no other test uses. While the object lives it is every JACK client's
    default server (JACK_DEFAULT_SERVER), for this process and the programs it starts; it is
    stopped by its pid when the object goes. */
class PrivateJackServer
{
public:
    PrivateJackServer (const juce::File& logFolder, int sampleRate = 48000);
    ~PrivateJackServer();

    /** Whether the server came up within the time-out; its log says why not. */
    bool waitUntilRunning (int timeoutSeconds = 20);

    juce::File getLog() const { return logFolder.getChildFile ("jackd.log"); }

private:
    const juce::File logFolder;
    const std::string name;
    ScopedEnvironmentVariable defaultServer;
    ProgramUnderTest jackd;
};
} // namespace testsupport
