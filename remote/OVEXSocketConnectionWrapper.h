#pragma once

#include "ClientSocketWriter.h"

#include <juce_events/juce_events.h>

#include <atomic>
#include <memory>

/** The remote server's transport: a TCP listener and the list of accepted clients, each framed by
    the framework's interprocess connection, with every callback carrying the client's id.
    The message thread starts, stops and sends; the framework's listener thread and one thread per
    client call connectionMade, connectionLost and messageReceived. */
class OVEXSocketConnectionWrapper
{
public:
    static constexpr juce::uint32 magicNumber = 0xF2B49E2C;

    OVEXSocketConnectionWrapper();
    virtual ~OVEXSocketConnectionWrapper();

    OVEXSocketConnectionWrapper (const OVEXSocketConnectionWrapper&) = delete;
    OVEXSocketConnectionWrapper& operator= (const OVEXSocketConnectionWrapper&) = delete;

    /** Listens on all interfaces; port 0 takes any free port. Returns whether listening started.
        Clients already connected stay. */
    bool start (int port);

    /** The listening port, or -1 while not listening. */
    int getBoundPort() const;

    /** Stops listening and drops every connection. */
    void stop();

    /** Sends the current packet to every client that can take it now. A client whose reader has
        stopped, or whose write fails, is disconnected here and stays listed; one that cannot take
        data is skipped this time, since the next packet supersedes this one. */
    virtual void sendToAll();

    /** Connections accepted since the last stop, lost ones included. */
    int getNumConnections() const;

    virtual juce::MemoryBlock getPacketData() = 0;
    virtual void messageReceived (const juce::MemoryBlock& message, int connectionId) = 0;
    virtual void connectionMade (int connectionId) = 0;
    virtual void connectionLost (int connectionId) = 0;

private:
    class WrappedInterprocessConnection : public juce::InterprocessConnection
    {
    public:
        WrappedInterprocessConnection (OVEXSocketConnectionWrapper& owner, int connectionId);
        ~WrappedInterprocessConnection() override;

        void connectionMade() override;
        void connectionLost() override;
        void messageReceived (const juce::MemoryBlock& message) override;

        /** Message thread. */
        void sendFrame (const juce::MemoryBlock& frame);

    private:
        void disconnectAndReport();

        OVEXSocketConnectionWrapper& owner;
        const int connectionId;
        ClientSocketWriter writer;

        // Set once the framework has handed over the socket: the listener thread lists a
        // connection before that, and such a connection must not be taken for a dead one.
        std::atomic<bool> made { false };
        std::atomic<bool> beingDeleted { false };
        bool closed = false;
    };

    class WrappedInterprocessConnectionServer : public juce::InterprocessConnectionServer
    {
    public:
        explicit WrappedInterprocessConnectionServer (OVEXSocketConnectionWrapper& owner);
        ~WrappedInterprocessConnectionServer() override;

    protected:
        juce::InterprocessConnection* createConnectionObject() override;

    private:
        OVEXSocketConnectionWrapper& owner;
    };

    juce::OwnedArray<WrappedInterprocessConnection, juce::CriticalSection> connections;
    std::unique_ptr<WrappedInterprocessConnectionServer> server;

    static std::atomic<int> nextConnectionId;
};
