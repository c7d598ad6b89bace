// A remote server on a free loopback port that sends the known values every 100 ms from a timer on
// a running message loop, as the processor does, for the Node.js decode. Prints "port N" first;
// ends by itself after a minute, in case its client never stops it.

#include "QITOSCStandalone.h"
#include "RemoteTestKit.h"

#include <juce_events/juce_events.h>

#include <csignal>
#include <iostream>

int main()
{
    std::signal (SIGPIPE, SIG_IGN);
    juce::ScopedJuceInitialiser_GUI juce;

    QITOSCStandalone server;
    server.setMeterData (remotetest::distinctSnapshot());
    server.setParameters (remotetest::distinctParameters());

    if (! server.start (0))
        return 1;

    std::cout << "port " << server.getBoundPort() << std::endl;

    struct Ticker : juce::Timer
    {
        explicit Ticker (QITOSCStandalone& serverToFeed) : server (serverToFeed) {}

        void timerCallback() override
        {
            server.sendToAll();

            if (++ticks >= 600)
                juce::MessageManager::getInstance()->stopDispatchLoop();
        }

        QITOSCStandalone& server;
        int ticks = 0;
    } ticker (server);

    ticker.startTimer (100);
    juce::MessageManager::getInstance()->runDispatchLoop();
    return 0;
}
