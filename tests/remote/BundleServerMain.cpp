// A remote server on a free loopback port that sends the known values every 100 ms from a timer on
// a running message loop, as the processor does; the sample counter advances by 4800 per send.
// Prints "port N" first. Ends by itself after a minute, in case its client never stops it.

#include "KnownRemoteValues.h"
#include "QITOSCStandalone.h"

#include <juce_events/juce_events.h>

#include <cmath>
#include <csignal>
#include <iostream>

namespace
{
class Ticker : public juce::Timer
{
public:
    explicit Ticker (QITOSCStandalone& serverToFeed) : server (serverToFeed) { startTimer (100); }
    ~Ticker() override { stopTimer(); }

    void timerCallback() override
    {
        auto snapshot = remotetest::distinctSnapshot();
        snapshot.processedSamples = std::ldexp (1.0, 40) + 1.0 + 4800.0 * ticks;
        server.setMeterData (snapshot);
        server.setParameters (remotetest::distinctParameters());
        server.sendToAll();

        if (++ticks >= 600)
            juce::MessageManager::getInstance()->stopDispatchLoop();
    }

private:
    QITOSCStandalone& server;
    int ticks = 0;
};
} // namespace

int main()
{
    std::signal (SIGPIPE, SIG_IGN);
    juce::ScopedJuceInitialiser_GUI juce;

    QITOSCStandalone server;

    if (! server.start (0))
    {
        std::cerr << "could not listen\n";
        return 1;
    }

    std::cout << "port " << server.getBoundPort() << std::endl;

    Ticker ticker (server);
    juce::MessageManager::getInstance()->runDispatchLoop();
    return 0;
}
