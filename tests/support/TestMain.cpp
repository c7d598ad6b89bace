#include "TemporaryHomeEnvironment.h"

#include <juce_events/juce_events.h>

#include <gtest/gtest.h>

#include <csignal>

int main (int argc, char** argv)
{
    // A peer that closes its socket must not end the test run.
    std::signal (SIGPIPE, SIG_IGN);

    testing::InitGoogleTest (&argc, argv);

    // Reports and settings default to folders under HOME; no test may touch the real ones.
    testing::AddGlobalTestEnvironment (new testsupport::TemporaryHomeEnvironment);

    // A message manager exists for every test, so timers and async updates can be driven by hand.
    juce::ScopedJuceInitialiser_GUI juce;
    return RUN_ALL_TESTS();
}
