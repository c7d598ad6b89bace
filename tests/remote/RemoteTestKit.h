#pragma once

#include "MeterSnapshot.h"
#include "ParameterBlock.h"

#include <juce_core/juce_core.h>
#include <oscpack/osc/OscOutboundPacketStream.h>
#include <oscpack/osc/OscReceivedElements.h>

#include <atomic>
#include <cmath>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace remotetest
{
/** A raw loopback client that speaks the framing by hand (magic number and length, little-endian),
    so tests can send malformed frames as easily as good ones. Every read gives up after 5 s. */
struct FramedTestClient
{
    static constexpr juce::uint32 magicNumber = 0xF2B49E2C;

    bool connect (int port) { return socket.connect ("127.0.0.1", port, 2000); }
    bool send (const void* data, size_t size) { return socket.write (data, (int) size) == (int) size; }

    bool sendHeader (juce::uint32 magic, juce::uint32 length)
    {
        const juce::uint32 header[] = { juce::ByteOrder::swapIfBigEndian (magic), juce::ByteOrder::swapIfBigEndian (length) };
        return send (header, sizeof (header));
    }

    bool sendFrame (const juce::MemoryBlock& payload)
    {
        return sendHeader (magicNumber, (juce::uint32) payload.getSize()) && send (payload.getData(), payload.getSize());
    }

    /** Bytes read, at most size: 0 at the end of the stream or on an error, -1 when nothing came in time. */
    int readSome (void* destination, int size)
    {
        const int ready = socket.waitUntilReady (true, 5000);
        return ready == 0 ? -1 : ready < 0 ? 0 : juce::jmax (0, socket.read (destination, size, false));
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

        if (! readExactly (header, 8) || juce::ByteOrder::littleEndianInt (header) != magicNumber)
            return std::nullopt;

        juce::MemoryBlock payload (juce::ByteOrder::littleEndianInt (header + 4));
        return readExactly (payload.getData(), (int) payload.getSize()) ? std::optional (payload) : std::nullopt;
    }

    /** Drops what is still on its way; true when the server then ends the stream (or resets it). */
    bool waitForEndOfStream()
    {
        char scratch[4096];
        int n = 1;

        while (n > 0)
            n = readSome (scratch, (int) sizeof (scratch));

        return n == 0;
    }

    juce::StreamingSocket socket;
};

/** A clock for the server that stands still until the test moves it, so stalls last as long as
    the test says and each second of printed lines begins when it says. */
struct ManualClock
{
    std::function<double()> reader() { return [this] { return nowMs.load(); }; }
    void advance (double ms) { nowMs = nowMs + ms; } // the test's thread alone moves it

    std::atomic<double> nowMs { 0.0 };
};

/** A loopback port that is free now, or -1. */
inline int freePort()
{
    juce::StreamingSocket probe;
    return probe.createListener (0, "127.0.0.1") ? probe.getBoundPort() : -1;
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
