#pragma once

#include "ClientSocketWriter.h"
#include "RemotePrintLimiter.h"

#include <juce_core/juce_core.h>

#include <atomic>
#include <functional>
#include <memory>

/** The remote server's transport: a TCP listener and the list of its clients, each framed as the
    framework's interprocess connections are (magic number and payload length, both little-endian,
    then the payload), with every callback carrying the client's id.

    It reads and accepts on its own threads rather than through the framework's connection classes,
    which reserve whatever length a header announces and retry a failing accept without pause: a
    frame over maximumFrameBytes closes its client, and a failing accept backs off. At most
    maximumClients are served at once, at most maximumClientsPerAddress from one peer address; a
    newcomer to a full server takes the place of the oldest client of the address that holds the
    most, or else of the longest-stalled client. A client whose socket stays unwritable for
    stallLimitMs is closed; keep-alive probes find peers that vanished without closing. Each client
    is handled at most messagesPerSecond messages a second; the rest waits in the kernel's buffers.
    A lost client is deleted once it is found dead, at the next send or accept, so nothing a client
    does can make the server grow.

    The message thread starts and stops, the feed's thread sends; the listener thread calls
    connectionMade, and each client's reader thread calls messageReceived and connectionLost. */
class OVEXSocketConnectionWrapper
{
public:
    static constexpr juce::uint32 magicNumber = 0xF2B49E2C;
    static constexpr juce::uint32 maximumFrameBytes = 64 * 1024;
    static constexpr int maximumClients = 32;
    static constexpr int maximumClientsPerAddress = 4;
    static constexpr double stallLimitMs = 5000.0;
    static constexpr int messagesPerSecond = 500;

    /** A steady clock in milliseconds: when a client stalled, its message budget, and the printed
        lines' seconds. */
    using Clock = std::function<double()>;

    explicit OVEXSocketConnectionWrapper (Clock clockMs = &juce::Time::getMillisecondCounterHiRes);
    virtual ~OVEXSocketConnectionWrapper();

    OVEXSocketConnectionWrapper (const OVEXSocketConnectionWrapper&) = delete;
    OVEXSocketConnectionWrapper& operator= (const OVEXSocketConnectionWrapper&) = delete;

    /** Listens on all interfaces; port 0 takes any free port. Returns whether listening started.
        Clients already connected stay. */
    bool start (int port);

    /** The listening port, or -1 while not listening. */
    int getBoundPort() const;

    /** Stops listening and drops every connection, silently. */
    void stop();

    /** Sends the current packet to every client that can take it now. A client whose reader has
        ended, or whose write fails, is deleted here; one that cannot take data is skipped this
        time, since the next packet supersedes this one, and closed once it has not taken any for
        stallLimitMs. */
    virtual void sendToAll();

    /** Clients listed now: those connected, and lost ones not yet deleted. */
    int getNumConnections() const;

    virtual juce::MemoryBlock getPacketData() = 0;

    /** Returns what handling the frame cost in messages, which the client's budget is charged; a
        frame costs at least one. */
    virtual int messageReceived (const juce::MemoryBlock& message, int connectionId) = 0;
    virtual void connectionMade (int connectionId) = 0;
    virtual void connectionLost (int connectionId) = 0;

protected:
    /** Listener thread: one accept on the listening socket, null when it failed. Virtual so that
        the attempts can be counted from outside. */
    virtual std::unique_ptr<juce::StreamingSocket> acceptNextClient (juce::StreamingSocket& listeningSocket);

    /** Every line the server prints goes through this one limiter. */
    RemotePrintLimiter printer;

private:
    class Connection;
    class Listener;

    /** Listener thread: takes a new client on, unless its address holds its share already. When
        the server is full, a client of the busiest address, or else the longest-stalled one, makes
        room for it; with neither, the newcomer is closed at once. */
    void accept (std::unique_ptr<juce::StreamingSocket> socket);

    // The four below are called with the list's lock held.
    int connectionsFrom (const juce::String& address) const;

    /** The oldest connection of the address that holds the most, when that is more than one; else null. */
    Connection* oldestOfTheBusiestAddress() const;

    /** The stalled connection that has waited longest, or null. */
    Connection* longestStalledConnection() const;

    /** Deletes the connections found dead. */
    void deleteDeadConnections();

    const Clock clock;
    juce::OwnedArray<Connection, juce::CriticalSection> connections;
    std::unique_ptr<Listener> listener;

    static std::atomic<int> nextConnectionId;
};
