#include "OVEXSocketConnectionWrapper.h"

std::atomic<int> OVEXSocketConnectionWrapper::nextConnectionId { 0 };

namespace
{
constexpr int disconnectTimeoutMs = 4000;

/** The framework's frame: magic number and payload length, both little-endian, then the payload. */
juce::MemoryBlock frameForPacket (const juce::MemoryBlock& packet)
{
    const juce::uint32 header[2] = { juce::ByteOrder::swapIfBigEndian (OVEXSocketConnectionWrapper::magicNumber),
                                     juce::ByteOrder::swapIfBigEndian ((juce::uint32) packet.getSize()) };
    juce::MemoryBlock frame (sizeof (header) + packet.getSize());
    frame.copyFrom (header, 0, sizeof (header));
    frame.copyFrom (packet.getData(), sizeof (header), packet.getSize());
    return frame;
}
} // namespace

OVEXSocketConnectionWrapper::OVEXSocketConnectionWrapper()
    : server (std::make_unique<WrappedInterprocessConnectionServer> (*this))
{
}

OVEXSocketConnectionWrapper::~OVEXSocketConnectionWrapper()
{
    stop();
    server.reset();
}

bool OVEXSocketConnectionWrapper::start (int port)
{
    // The framework asserts on ports it cannot bind rather than just failing.
    if (port < 0 || port > 65535)
        return false;

    return server->beginWaitingForSocket (port, {});
}

int OVEXSocketConnectionWrapper::getBoundPort() const
{
    return server->getBoundPort();
}

void OVEXSocketConnectionWrapper::stop()
{
    server->stop();

    const juce::ScopedLock lock (connections.getLock());
    connections.clear();
}

void OVEXSocketConnectionWrapper::sendToAll()
{
    const auto packet = getPacketData();

    if (packet.isEmpty())
        return;

    const auto frame = frameForPacket (packet);

    int count = 0;
    {
        const juce::ScopedLock lock (connections.getLock());
        count = connections.size();
    }

    // Only this thread removes connections, so an element stays valid once read.
    for (int i = count - 1; i >= 0; --i)
        if (auto* connection = connections[i])
            connection->sendFrame (frame);
}

int OVEXSocketConnectionWrapper::getNumConnections() const
{
    const juce::ScopedLock lock (connections.getLock());
    return connections.size();
}

//==============================================================================
OVEXSocketConnectionWrapper::WrappedInterprocessConnection::WrappedInterprocessConnection (
    OVEXSocketConnectionWrapper& ownerToUse, int id)
    : juce::InterprocessConnection (false, magicNumber), owner (ownerToUse), connectionId (id)
{
}

OVEXSocketConnectionWrapper::WrappedInterprocessConnection::~WrappedInterprocessConnection()
{
    // Here rather than in the base destructor, so no callback reaches a half-destroyed object.
    // Dropping connections is silent, but the reader thread may still notice the closed socket
    // and report a loss on its own; beingDeleted keeps that quiet.
    beingDeleted = true;
    disconnect (disconnectTimeoutMs, Notify::no);
}

void OVEXSocketConnectionWrapper::WrappedInterprocessConnection::connectionMade()
{
    // Listener thread, before the reader thread starts: the socket cannot go away under us.
    if (auto* acceptedSocket = getSocket())
        writer.attach (acceptedSocket->getRawSocketHandle());

    made = true;
    owner.connectionMade (connectionId);
}

void OVEXSocketConnectionWrapper::WrappedInterprocessConnection::connectionLost()
{
    if (! beingDeleted)
        owner.connectionLost (connectionId);
}

void OVEXSocketConnectionWrapper::WrappedInterprocessConnection::messageReceived (const juce::MemoryBlock& message)
{
    owner.messageReceived (message, connectionId);
}

void OVEXSocketConnectionWrapper::WrappedInterprocessConnection::sendFrame (const juce::MemoryBlock& frame)
{
    if (closed || ! made)
        return;

    // A reader that met a wrong magic number ends without closing anything, leaving a client
    // that would never be read again; it is closed here.
    if (! isConnected())
    {
        disconnectAndReport();
        return;
    }

    if (writer.write (frame.getData(), frame.getSize()) == ClientSocketWriter::Result::failed)
        disconnectAndReport();
}

void OVEXSocketConnectionWrapper::WrappedInterprocessConnection::disconnectAndReport()
{
    closed = true;

    // The framework reports a loss at most once, whether its reader or this call sees it first.
    disconnect (disconnectTimeoutMs, Notify::yes);
    writer.close();
}

//==============================================================================
OVEXSocketConnectionWrapper::WrappedInterprocessConnectionServer::WrappedInterprocessConnectionServer (
    OVEXSocketConnectionWrapper& ownerToUse)
    : owner (ownerToUse)
{
}

OVEXSocketConnectionWrapper::WrappedInterprocessConnectionServer::~WrappedInterprocessConnectionServer()
{
    // The listener thread calls createConnectionObject, which must not outlive this class.
    stop();
}

juce::InterprocessConnection* OVEXSocketConnectionWrapper::WrappedInterprocessConnectionServer::createConnectionObject()
{
    auto* connection = new WrappedInterprocessConnection (owner, ++nextConnectionId);

    const juce::ScopedLock lock (owner.connections.getLock());
    owner.connections.add (connection);
    return connection;
}
