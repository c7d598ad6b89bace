#include "OVEXSocketConnectionWrapper.h"

#include <cerrno>
#include <cmath>
#include <optional>

#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>

std::atomic<int> OVEXSocketConnectionWrapper::nextConnectionId { 0 };

namespace
{
constexpr int pollIntervalMs = 100;  // how soon a reader or the listener notices it should end
constexpr int acceptBackOffMs = 100; // after an accept that failed, for instance for lack of descriptors
constexpr int threadStopTimeoutMs = 4000;

/** A peer that vanished without closing (a tablet off the network) is found within about a
    minute even while nothing is sent to it. Should an option fail, a stall still ends the client. */
void enableKeepAlive (int handle)
{
    const int on = 1, idleSeconds = 30, intervalSeconds = 10, probes = 3;
    ::setsockopt (handle, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof (on));
    ::setsockopt (handle, IPPROTO_TCP, TCP_KEEPIDLE, &idleSeconds, sizeof (idleSeconds));
    ::setsockopt (handle, IPPROTO_TCP, TCP_KEEPINTVL, &intervalSeconds, sizeof (intervalSeconds));
    ::setsockopt (handle, IPPROTO_TCP, TCP_KEEPCNT, &probes, sizeof (probes));
}

/** The frame header and payload, little-endian as the framework writes them. */
juce::MemoryBlock frameForPacket (const juce::MemoryBlock& packet)
{
    const juce::uint32 header[2] = { juce::ByteOrder::swapIfBigEndian (OVEXSocketConnectionWrapper::magicNumber),
                                     juce::ByteOrder::swapIfBigEndian ((juce::uint32) packet.getSize()) };
    juce::MemoryBlock frame (sizeof (header) + packet.getSize());
    frame.copyFrom (header, 0, sizeof (header));
    frame.copyFrom (packet.getData(), sizeof (header), packet.getSize());
    return frame;
}

/** The peer's numeric address, or an empty string when the peer is gone already. */
juce::String peerAddressOf (int handle)
{
    sockaddr_storage peer {};
    socklen_t size = sizeof (peer);
    char text[NI_MAXHOST] {};

    if (::getpeername (handle, reinterpret_cast<sockaddr*> (&peer), &size) != 0
        || ::getnameinfo (reinterpret_cast<sockaddr*> (&peer), size, text, sizeof (text), nullptr, 0,
                          NI_NUMERICHOST) != 0)
        return {};

    return text;
}

enum class Readiness { ready, timedOut, failed };

Readiness waitForData (int handle)
{
    pollfd entry { handle, POLLIN, 0 };
    const int result = ::poll (&entry, 1, pollIntervalMs);

    if (result < 0)
        return errno == EINTR ? Readiness::timedOut : Readiness::failed;

    if (result == 0)
        return Readiness::timedOut;

    return (entry.revents & (POLLIN | POLLHUP | POLLERR)) != 0 ? Readiness::ready : Readiness::failed;
}
} // namespace

//==============================================================================
/** One client: its socket, a reader thread that takes frames off it, and a writer for sends. */
class OVEXSocketConnectionWrapper::Connection : private juce::Thread
{
public:
    Connection (OVEXSocketConnectionWrapper& ownerToUse, int id, std::unique_ptr<juce::StreamingSocket> s,
                juce::String peerAddress)
        : juce::Thread ("NOLV remote client"),
          address (std::move (peerAddress)),
          owner (ownerToUse),
          connectionId (id),
          socket (std::move (s)),
          allowanceRefilledMs (owner.clock())
    {
        writer.attach (socket->getRawSocketHandle());
        enableKeepAlive (socket->getRawSocketHandle());
    }

    ~Connection() override
    {
        // Dropping connections is silent.
        lost = true;
        signalThreadShouldExit();
        ::shutdown (socket->getRawSocketHandle(), SHUT_RDWR);
        stopThread (threadStopTimeoutMs);
    }

    void begin()
    {
        owner.connectionMade (connectionId);
        startThread();
    }

    /** The sending thread, with the list's lock held; nowMs from the server's clock. */
    void send (const juce::MemoryBlock& frame, double nowMs)
    {
        if (isDead())
            return;

        switch (writer.write (frame.getData(), frame.getSize()))
        {
            case ClientSocketWriter::Result::written:
                stalledSinceMs.reset();
                break;

            case ClientSocketWriter::Result::busy:
                if (! stalledSinceMs)
                    stalledSinceMs = nowMs;
                else if (nowMs - *stalledSinceMs >= stallLimitMs)
                    close();
                break;

            case ClientSocketWriter::Result::failed:
                reportLoss();
                break;
        }
    }

    /** The client sees the end at once, though the connection is deleted only at the next send or accept. */
    void close()
    {
        ::shutdown (socket->getRawSocketHandle(), SHUT_RDWR);
        reportLoss();
    }

    bool isDead() const noexcept { return dead.load(); }

    /** When the client last stopped taking data; none while it takes it. Read with the list's lock held. */
    std::optional<double> stalledSince() const { return stalledSinceMs; }

    const juce::String address;

private:
    void run() override
    {
        while (readFrame() && waitForAllowance())
        {
        }

        close();
    }

    /** The allowance refills at messagesPerSecond, up to one second's worth, and a frame is handled
        whole while any is left, so the client's data stays in the kernel's buffers while it is
        spent and its sender is slowed rather than this program. False when the thread should end. */
    bool waitForAllowance()
    {
        while (allowance <= 0.0)
        {
            const auto now = owner.clock();
            allowance = juce::jmin ((double) messagesPerSecond,
                                    allowance + (now - allowanceRefilledMs) * messagesPerSecond / 1000.0);
            allowanceRefilledMs = now;

            if (allowance > 0.0)
                break;

            if (threadShouldExit())
                return false;

            const auto msUntilRefilled = std::ceil (-allowance * 1000.0 / messagesPerSecond);
            wait (juce::jlimit (1, pollIntervalMs, (int) msUntilRefilled + 1));
        }

        return true;
    }

    /** False when the client is gone or its stream can no longer be trusted. */
    bool readFrame()
    {
        juce::uint32 header[2];

        if (! readExactly (header, sizeof (header)))
            return false;

        const auto magic = juce::ByteOrder::swapIfBigEndian (header[0]);
        const auto length = juce::ByteOrder::swapIfBigEndian (header[1]);

        if (magic != magicNumber)
            return false;

        // A real message is under 100 bytes; nothing is reserved for a length it never sends.
        if (length > maximumFrameBytes)
        {
            owner.printer.print ([&]
            {
                juce::Logger::writeToLog ("Remote client " + juce::String (connectionId) + " announced a frame of "
                                          + juce::String (length) + " bytes; its connection is closed");
            });
            return false;
        }

        if (length == 0)
        {
            allowance -= 1.0;
            return true;
        }

        payload.setSize (length);

        if (! readExactly (payload.getData(), length))
            return false;

        allowance -= juce::jmax (1, owner.messageReceived (payload, connectionId));
        return true;
    }

    bool readExactly (void* destination, size_t size)
    {
        auto* bytes = static_cast<char*> (destination);

        for (size_t received = 0; received < size;)
        {
            if (threadShouldExit())
                return false;

            const auto readiness = waitForData (socket->getRawSocketHandle());

            if (readiness == Readiness::failed)
                return false;

            if (readiness == Readiness::timedOut)
                continue;

            const auto n = ::recv (socket->getRawSocketHandle(), bytes + received, size - received, 0);

            if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN))
                return false;

            received += (size_t) juce::jmax ((ssize_t) 0, n);
        }

        return true;
    }

    /** The loss is told once, whether the reader or a send notices it first. */
    void reportLoss()
    {
        if (! lost.exchange (true))
            owner.connectionLost (connectionId);

        dead = true;
    }

    OVEXSocketConnectionWrapper& owner;
    const int connectionId;
    std::unique_ptr<juce::StreamingSocket> socket;
    ClientSocketWriter writer;
    juce::MemoryBlock payload;
    std::atomic<bool> lost { false }, dead { false };
    std::optional<double> stalledSinceMs; // written by the sending thread, under the list's lock

    // The reader thread's, in messages and the server clock's milliseconds.
    double allowance = messagesPerSecond;
    double allowanceRefilledMs;
};

//==============================================================================
/** The accept loop on a listening socket. */
class OVEXSocketConnectionWrapper::Listener : private juce::Thread
{
public:
    Listener (OVEXSocketConnectionWrapper& ownerToUse, std::unique_ptr<juce::StreamingSocket> listeningSocket)
        : juce::Thread ("NOLV remote listener"), owner (ownerToUse), socket (std::move (listeningSocket))
    {
        startThread();
    }

    ~Listener() override
    {
        stopThread (threadStopTimeoutMs);
    }

    int getBoundPort() const { return socket->getBoundPort(); }

private:
    void run() override
    {
        while (! threadShouldExit())
        {
            const auto readiness = waitForData (socket->getRawSocketHandle());

            if (readiness == Readiness::timedOut)
                continue;

            auto client = readiness == Readiness::ready ? owner.acceptNextClient (*socket) : nullptr;

            if (client == nullptr)
                wait (acceptBackOffMs);
            else
                owner.accept (std::move (client));
        }
    }

    OVEXSocketConnectionWrapper& owner;
    std::unique_ptr<juce::StreamingSocket> socket;
};

//==============================================================================
OVEXSocketConnectionWrapper::OVEXSocketConnectionWrapper (Clock clockMs)
    : printer (clockMs), clock (std::move (clockMs))
{
}

OVEXSocketConnectionWrapper::~OVEXSocketConnectionWrapper()
{
    stop();
}

bool OVEXSocketConnectionWrapper::start (int port)
{
    if (port < 0 || port > 65535)
        return false;

    listener.reset();
    auto socket = std::make_unique<juce::StreamingSocket>();

    if (! socket->createListener (port, {}))
        return false;

    listener = std::make_unique<Listener> (*this, std::move (socket));
    return true;
}

int OVEXSocketConnectionWrapper::getBoundPort() const
{
    return listener != nullptr ? listener->getBoundPort() : -1;
}

void OVEXSocketConnectionWrapper::stop()
{
    listener.reset();

    const juce::ScopedLock lock (connections.getLock());
    connections.clear();
}

std::unique_ptr<juce::StreamingSocket> OVEXSocketConnectionWrapper::acceptNextClient (juce::StreamingSocket& listeningSocket)
{
    return std::unique_ptr<juce::StreamingSocket> (listeningSocket.waitForNextConnection());
}

void OVEXSocketConnectionWrapper::accept (std::unique_ptr<juce::StreamingSocket> socket)
{
    auto address = peerAddressOf (socket->getRawSocketHandle());

    if (address.isEmpty())
        return;

    const juce::ScopedLock lock (connections.getLock());
    deleteDeadConnections();

    // A client that keeps connecting is turned away rather than evicting the ones beside it.
    if (connectionsFrom (address) >= maximumClientsPerAddress)
        return;

    // Each client costs a thread and two descriptors, so a full server closes one to take another:
    // one of an address that holds several, or one that is stalled and cannot take the bundles anyway.
    if (connections.size() >= maximumClients)
    {
        auto* room = oldestOfTheBusiestAddress();

        if (room == nullptr)
            room = longestStalledConnection();

        if (room == nullptr)
            return;

        room->close();
        connections.removeObject (room);
    }

    auto* connection = new Connection (*this, ++nextConnectionId, std::move (socket), std::move (address));
    connections.add (connection)->begin();
}

int OVEXSocketConnectionWrapper::connectionsFrom (const juce::String& address) const
{
    int count = 0;

    for (auto* connection : connections)
        if (connection->address == address)
            ++count;

    return count;
}

OVEXSocketConnectionWrapper::Connection* OVEXSocketConnectionWrapper::oldestOfTheBusiestAddress() const
{
    // The list is in the order of arrival, so each address's first entry is its oldest, and of
    // addresses that hold equally many, the one that came first wins.
    Connection* oldest = nullptr;
    int most = 1;

    for (auto* connection : connections)
        if (const auto count = connectionsFrom (connection->address); count > most)
        {
            most = count;
            oldest = connection;
        }

    return oldest;
}

OVEXSocketConnectionWrapper::Connection* OVEXSocketConnectionWrapper::longestStalledConnection() const
{
    Connection* longest = nullptr;

    for (auto* connection : connections)
        if (const auto since = connection->stalledSince())
            if (longest == nullptr || *since < *longest->stalledSince())
                longest = connection;

    return longest;
}

void OVEXSocketConnectionWrapper::deleteDeadConnections()
{
    for (int i = connections.size(); --i >= 0;)
        if (connections.getUnchecked (i)->isDead())
            connections.remove (i);
}

void OVEXSocketConnectionWrapper::sendToAll()
{
    printer.tick();
    const auto packet = getPacketData();
    const juce::ScopedLock lock (connections.getLock());
    deleteDeadConnections();

    if (packet.isEmpty())
        return;

    const auto frame = frameForPacket (packet);
    const auto now = clock();

    // Sends never wait, so the lock is held only briefly.
    for (int i = connections.size(); --i >= 0;)
        connections.getUnchecked (i)->send (frame, now);
}

int OVEXSocketConnectionWrapper::getNumConnections() const
{
    const juce::ScopedLock lock (connections.getLock());
    return connections.size();
}
