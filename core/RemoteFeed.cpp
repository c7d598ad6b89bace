#include "RemoteFeed.h"

#include "QITOSCStandalone.h"

#include <cmath>

RemoteFeed::RemoteFeed (QITOSCStandalone& s, std::function<MeterSnapshot()> snapshot)
    : juce::Thread ("NOLV remote feed"), server (s), latestSnapshot (std::move (snapshot))
{
}

RemoteFeed::~RemoteFeed()
{
    stop();
}

void RemoteFeed::start()
{
    startThread();
}

void RemoteFeed::stop()
{
    stopThread (2000);
}

void RemoteFeed::setParameters (const ParameterBlock& values)
{
    // The app is sent finite numbers only, whatever reached the parameters.
    const ParameterBlock defaults;
    const std::lock_guard<std::mutex> lock (parametersLock);
    parameters = values;

    for (const auto& parameter : savedParameters)
        if (! std::isfinite (parameters.*parameter.field))
            parameters.*parameter.field = defaults.*parameter.field;
}

void RemoteFeed::sendBundle()
{
    const std::lock_guard<std::mutex> sending (sendLock);
    server.setMeterData (latestSnapshot());

    {
        const std::lock_guard<std::mutex> lock (parametersLock);
        server.setParameters (parameters);
    }

    server.sendToAll();
}

void RemoteFeed::run()
{
    // Paced by the clock rather than by the time each send takes, so the bundles keep their rate.
    auto due = juce::Time::getMillisecondCounterHiRes();

    while (! threadShouldExit())
    {
        sendBundle();
        due += intervalMs;
        const auto now = juce::Time::getMillisecondCounterHiRes();

        if (due < now)
            due = now;

        wait ((int) (due - now));
    }
}
