#include "ScopedEnvironmentVariable.h"
#include "ScopedTemporaryFolder.h"

#include <juce_events/juce_events.h>

#include <gtest/gtest.h>

#include <csignal>

int main (int argc, char** argv)
{
    // A peer that closes its socket must not end the test run.
    std::signal (SIGPIPE, SIG_IGN);

    testing::InitGoogleTest (&argc, argv);

    // Reports and settings default to folders under HOME; no test may touch the real ones.
    const testsupport::ScopedTemporaryFolder home;
    const testsupport::ScopedEnvironmentVariable homeVariable ("HOME", home.getFolder().getFullPathName().toStdString());

    for (auto* name : { "XDG_STATE_HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME" })
        ::unsetenv (name);

    // A message manager exists for every test, so timers and async updates can be driven by hand.
    juce::ScopedJuceInitialiser_GUI juce;
    return RUN_ALL_TESTS();
}
