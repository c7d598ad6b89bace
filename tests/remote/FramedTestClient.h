#pragma once

#include <juce_core/juce_core.h>

#include <optional>

/** A raw loopback client of the remote server that speaks the framing by hand (magic number and
    length, little-endian), so tests can send well-formed and malformed frames alike.
    Used from the test's own thread. */
class FramedTestClient
{
public:
    static constexpr juce::uint32 magicNumber = 0xF2B49E2C;

    bool connect (int port);
    void close();

    bool sendBytes (const void* data, size_t size);
    bool sendHeader (juce::uint32 magic, juce::uint32 length);
    bool sendFrame (const juce::MemoryBlock& payload);

    /** Reads exactly size bytes; false on end of stream, an error or the time-out. */
    bool readExactly (void* destination, int size, int timeoutMs = 5000);

    /** The next frame's raw 8-byte header and payload, when a whole frame with the server's magic
        number arrives in time. */
    struct Frame
    {
        juce::uint8 header[8] {};
        juce::MemoryBlock payload;
    };

    std::optional<Frame> readFrame (int timeoutMs = 5000);

    /** Reads and drops everything until the server closes the stream; false on time-out.
        The number of bytes dropped goes to bytesDropped when given. */
    bool waitForEndOfStream (int timeoutMs = 5000, juce::int64* bytesDropped = nullptr);

    juce::StreamingSocket& getSocket() { return socket; }

private:
    juce::StreamingSocket socket;
};
