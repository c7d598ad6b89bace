#pragma once

#include "MeterSnapshot.h"
#include "ParameterBlock.h"

#include <juce_core/juce_core.h>

#include <functional>
#include <mutex>

class QITOSCStandalone;

/** Sends the remote server's bundle every 100 ms from a thread of its own, so that the companion app
    keeps its pace whatever the message thread is doing. Each bundle carries the latest published
    meter snapshot and the parameters the message thread handed over when they last changed.
    start, stop and setParameters on the message thread. */
class RemoteFeed : private juce::Thread
{
public:
    RemoteFeed (QITOSCStandalone& server, std::function<MeterSnapshot()> latestSnapshot);
    ~RemoteFeed() override;

    void start();
    void stop();
    bool isFeeding() const { return isThreadRunning(); }

    void setParameters (const ParameterBlock& values);

    /** One bundle to every client: the thread's work, on whichever thread calls it. */
    void sendBundle();

    static constexpr int intervalMs = 100;

private:
    void run() override;

    QITOSCStandalone& server;
    const std::function<MeterSnapshot()> latestSnapshot;

    std::mutex parametersLock;
    ParameterBlock parameters;
    std::mutex sendLock; // the thread's bundle and a test's own never interleave
};
