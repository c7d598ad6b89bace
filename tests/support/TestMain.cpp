#include <juce_events/juce_events.h>

#include <gtest/gtest.h>

#include <csignal>

int main (int argc, char** argv)
{
    // A peer that closes its socket must not end the test run.
    std::signal (SIGPIPE, SIG_IGN);

    testing::InitGoogleTest (&argc, argv);

    // A message manager exists for every test, so timers and async updates can be driven by hand.
    juce::ScopedJuceInitialiser_GUI juce;
    return RUN_ALL_TESTS();
}
