#pragma once

#include "MeterSnapshot.h"
#include "ParameterBlock.h"

#include <juce_core/juce_core.h>
#include <oscpack/osc/OscOutboundPacketStream.h>
#include <oscpack/osc/OscReceivedElements.h>

#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace remotetest
{
/** A raw loopback client that speaks the framing by hand (magic number and length, little-endian),
    so tests can send malformed frames as easily as good ones. It can connect from any address of
    127/8 (all loopback on Linux) and ask for a receive buffer of its own size. Every read gives up
    after waitBoundMs, which is generous for loaded machines and sanitizers, and what ended the last
    failed read is kept in lastFailure for the test's message. */
struct FramedTestClient
{
    static constexpr juce::uint32 magicNumber = 0xF2B49E2C;
    static constexpr int waitBoundMs = 30000;

    FramedTestClient() = default;
    ~FramedTestClient() { close(); }
    FramedTestClient (const FramedTestClient&) = delete;
    FramedTestClient& operator= (const FramedTestClient&) = delete;

    /** receiveBufferBytes 0 keeps the system's size; any other is set before connecting, so that
        the window offered to the server is small (or large) from the start. */
    bool connect (int port, const std::string& from = "127.0.0.1", int receiveBufferBytes = 0)
    {
        close();
        handle = ::socket (AF_INET, SOCK_STREAM, 0);

        // The port is chosen at connect, per server address, as for an unbound socket.
        const int on = 1;
        ::setsockopt (handle, IPPROTO_IP, IP_BIND_ADDRESS_NO_PORT, &on, sizeof (on));

        if (receiveBufferBytes > 0)
            ::setsockopt (handle, SOL_SOCKET, SO_RCVBUF, &receiveBufferBytes, sizeof (receiveBufferBytes));

        sockaddr_in local {}, server {};
        local.sin_family = server.sin_family = AF_INET;
        server.sin_port = htons ((uint16_t) port);
        server.sin_addr.s_addr = htonl (INADDR_LOOPBACK);

        return handle >= 0 && ::inet_pton (AF_INET, from.c_str(), &local.sin_addr) == 1
               && ::bind (handle, reinterpret_cast<sockaddr*> (&local), sizeof (local)) == 0
               && ::connect (handle, reinterpret_cast<sockaddr*> (&server), sizeof (server)) == 0;
    }

    void close()
    {
        if (handle >= 0)
            ::close (handle);

        handle = -1;
    }

    bool send (const void* data, size_t size)
    {
        for (size_t sent = 0; sent < size;)
        {
            const auto n = ::send (handle, static_cast<const char*> (data) + sent, size - sent, MSG_NOSIGNAL);

            if (n <= 0)
                return false;

            sent += (size_t) n;
        }

        return true;
    }

    bool sendHeader (juce::uint32 magic, juce::uint32 length)
    {
        const juce::uint32 header[] = { juce::ByteOrder::swapIfBigEndian (magic), juce::ByteOrder::swapIfBigEndian (length) };
        return send (header, sizeof (header));
    }

    bool sendFrame (const juce::MemoryBlock& payload)
    {
        return sendHeader (magicNumber, (juce::uint32) payload.getSize()) && send (payload.getData(), payload.getSize());
    }

    /** Whether a read would return at once, with data or the end of the stream. */
    bool hasSomethingToRead() const
    {
        pollfd entry { handle, POLLIN, 0 };
        return ::poll (&entry, 1, 0) > 0;
    }

    /** Bytes read, at most size: 0 at the end of the stream or on an error, -1 when nothing came in time. */
    int readSome (void* destination, int size)
    {
        pollfd entry { handle, POLLIN, 0 };

        if (::poll (&entry, 1, waitBoundMs) == 0)
        {
            lastFailure = "nothing arrived within " + std::to_string (waitBoundMs / 1000) + " s";
            return -1;
        }

        const auto n = ::recv (handle, destination, (size_t) size, 0);

        if (n == 0)
            lastFailure = "the stream ended";
        else if (n < 0)
            lastFailure = std::string ("the read failed: ") + std::strerror (errno);

        return (int) juce::jmax ((ssize_t) 0, n);
    }

    bool readExactly (void* destination, int size)
    {
        for (int received = 0, n = 0; received < size; received += n)
            if ((n = readSome (static_cast<char*> (destination) + received, size - received)) <= 0)
                return false;

        return true;
    }

    /** The payload of the next frame, when a whole one with the server's magic number arrives. */
    std::optional<juce::MemoryBlock> readFrame()
    {
        juce::uint8 header[8];

        if (! readExactly (header, 8))
            return std::nullopt;

        if (juce::ByteOrder::littleEndianInt (header) != magicNumber)
        {
            lastFailure = "a frame came with another magic number";
            return std::nullopt;
        }

        juce::MemoryBlock payload (juce::ByteOrder::littleEndianInt (header + 4));
        return readExactly (payload.getData(), (int) payload.getSize()) ? std::optional (payload) : std::nullopt;
    }

    /** Drops what is still on its way; true when the server then ends the stream (or resets it),
        false when nothing, not even the end, came within the bound. */
    bool waitForEndOfStream()
    {
        char scratch[65536];
        int n = 1;

        while (n > 0)
            n = readSome (scratch, (int) sizeof (scratch));

        return n == 0;
    }

    int handle = -1;
    std::string lastFailure;
};

/** A clock for the server that stands still until the test moves it, so stalls last as long as
    the test says and each second of printed lines begins when it says. It counts its readings,
    so a test can tell that a thread that waits on the clock has looked at it again. */
struct ManualClock
{
    std::function<double()> reader()
    {
        return [this]
        {
            ++readings;
            return nowMs.load();
        };
    }

    void advance (double ms) { nowMs = nowMs + ms; } // the test's thread alone moves it

    std::atomic<double> nowMs { 0.0 };
    std::atomic<int> readings { 0 };
};

/** 127.0.0.host: any of them is this machine, and the server tells them apart as peers. */
inline std::string loopback (int host)
{
    return "127.0.0." + std::to_string (host);
}

/** A loopback port that is free now, or -1. */
inline int freePort()
{
    juce::StreamingSocket probe;
    return probe.createListener (0, "127.0.0.1") ? probe.getBoundPort() : -1;
}

/** Starts a server with startOn (port) on a port that is free now, and again on another should a
    process running beside this one take the port in between. The port it started on, or -1. */
template <typename StartOn>
int startOnAFreePort (StartOn&& startOn)
{
    for (int attempt = 0; attempt < 20; ++attempt)
        if (const int port = freePort(); port > 0 && startOn (port))
            return port;

    return -1;
}

/** An OSC message with the given arguments, written by oscpack. */
template <typename... Arguments>
juce::MemoryBlock message (const char* address, Arguments... arguments)
{
    std::vector<char> buffer (1024);
    osc::OutboundPacketStream stream (buffer.data(), buffer.size());
    ((stream << osc::BeginMessage (address)) << ... << arguments) << osc::EndMessage;
    return juce::MemoryBlock (stream.Data(), stream.Size());
}

/** An immediate bundle of the elements, given as raw bytes that need not be valid OSC, inside
    levels - 1 further bundles. Written front to back, since each level's element size counts
    everything inside it. */
inline juce::MemoryBlock bundle (const std::vector<juce::MemoryBlock>& elements, int levels = 1)
{
    juce::MemoryOutputStream innermost, out;

    for (const auto& element : elements)
    {
        innermost.writeIntBigEndian ((int) element.getSize());
        innermost << element;
    }

    for (int level = levels; level > 0; --level)
    {
        out.write ("#bundle", 8);
        out.writeInt64BigEndian (1);

        if (level > 1)
            out.writeIntBigEndian ((level - 1) * 20 - 4 + (int) innermost.getDataSize());
    }

    out << innermost.getMemoryBlock();
    return out.getMemoryBlock();
}

/** One message of an outgoing bundle: its address, type tag and value (T and F as 1 and 0). */
struct DecodedMessage
{
    std::string address;
    char type;
    double value;
};

/** The messages of an outgoing bundle, decoded by oscpack; empty when the payload is not an
    immediate bundle of one-argument messages. A payload that is no bundle at all throws. */
inline std::vector<DecodedMessage> decodeBundle (const juce::MemoryBlock& payload)
{
    const osc::ReceivedBundle bundle (osc::ReceivedPacket (static_cast<const char*> (payload.getData()), (osc::osc_bundle_element_size_t) payload.getSize()));
    std::vector<DecodedMessage> messages;

    if (bundle.TimeTag() != 1)
        return {};

    for (auto element = bundle.ElementsBegin(); element != bundle.ElementsEnd(); ++element)
    {
        const osc::ReceivedMessage m (*element);

        if (m.ArgumentCount() != 1)
            return {};

        const auto a = *m.ArgumentsBegin();
        const double value = a.IsFloat() ? a.AsFloat() : a.IsInt32() ? a.AsInt32() : a.IsDouble() ? a.AsDouble() : a.AsBool();
        messages.push_back ({ m.AddressPattern(), a.TypeTag(), value });
    }

    return messages;
}

/** The values of an outgoing bundle by address. */
inline std::map<std::string, double> valuesByAddress (const juce::MemoryBlock& payload)
{
    std::map<std::string, double> values;

    for (const auto& m : decodeBundle (payload))
        values[m.address] = m.value;

    return values;
}

/** A snapshot and parameters whose every sent field has its own value, so that any slip in mapping
    or order shows: message k of the bundle (counting from 1) carries k, except the sample counter,
    which carries 2^40 + 1 (no float holds it), and the stereo state, which is on. The parameters
    that are not sent hold values no message carries. */
inline MeterSnapshot distinctSnapshot()
{
    MeterSnapshot s;
    s.momentaryLevel = 1;
    s.momentaryFraction = 2;
    s.shortTermLevel = 3;
    s.integratedLevel = 4;
    s.loudnessRange = 5;
    s.rangeLowFraction = 6;
    s.rangeHighFraction = 7;
    s.shortTermFraction = 8;
    s.truePeakAlarm = 9;
    s.heldTruePeak = { 10, 11, 12, 13, 14, 15 };
    s.truePeakFraction = { 16, 17, 18, 19, 20, 21 };
    s.channelAlarm = { 22, 23, 24, 25, 26, 27 };
    s.soundFieldLevel = { 28, 29, 30, 31, 32, 33 };
    s.correlation = { 34, 35, 36, 37, 38, 39 };
    s.processedSamples = std::ldexp (1.0, 40) + 1.0;
    return s;
}

inline ParameterBlock distinctParameters()
{
    ParameterBlock p;
    int k = 40;

    for (float* field : { &p.measurementStandard, &p.measurementScale, &p.measurementUnit, &p.gatingOffFlag,
                          &p.truePeakRefLevel, &p.truePeakMaxLevel, &p.truePeakHoldTime, &p.truePeakOverloadTime,
                          &p.shtMaxLevel, &p.stereoMixdownFlag, &p.vectroscopeInputDataFlag })
        *field = (float) ++k;

    p.stereoState = true;
    p.runFlag = 90.0f;
    p.followTransportFlag = 91.0f;
    p.adminPassword = 92;
    return p;
}
} // namespace remotetest
