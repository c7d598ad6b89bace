#include "QIT5_1StandExtApplication.h"

#include <csignal>

int main (int argc, char* argv[])
{
    // A remote client that vanishes mid-send must not end the program.
    std::signal (SIGPIPE, SIG_IGN);

    juce::JUCEApplicationBase::createInstance = []() -> juce::JUCEApplicationBase* { return new QIT5_1StandExtApplication(); };
    return juce::JUCEApplicationBase::main (argc, (const char**) argv);
}
