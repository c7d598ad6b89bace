#include "FramedTestClient.h"

bool FramedTestClient::connect (int port)
{
    return socket.connect ("127.0.0.1", port, 2000);
}

void FramedTestClient::close()
{
    socket.close();
}

bool FramedTestClient::sendBytes (const void* data, size_t size)
{
    return socket.write (data, (int) size) == (int) size;
}

bool FramedTestClient::sendHeader (juce::uint32 magic, juce::uint32 length)
{
    const juce::uint32 header[2] = { juce::ByteOrder::swapIfBigEndian (magic),
                                     juce::ByteOrder::swapIfBigEndian (length) };
    return sendBytes (header, sizeof (header));
}

bool FramedTestClient::sendFrame (const juce::MemoryBlock& payload)
{
    return sendHeader (magicNumber, (juce::uint32) payload.getSize())
           && sendBytes (payload.getData(), payload.getSize());
}

bool FramedTestClient::readExactly (void* destination, int size, int timeoutMs)
{
    const auto deadline = juce::Time::getMillisecondCounter() + (juce::uint32) timeoutMs;
    int received = 0;

    while (received < size)
    {
        const auto now = juce::Time::getMillisecondCounter();

        if (now >= deadline)
            return false;

        const int ready = socket.waitUntilReady (true, (int) (deadline - now));

        if (ready < 0)
            return false;

        if (ready == 0)
            continue;

        // After a positive wait, nothing read means the server closed the stream.
        const int n = socket.read (static_cast<char*> (destination) + received, size - received, false);

        if (n <= 0)
            return false;

        received += n;
    }

    return true;
}

std::optional<FramedTestClient::Frame> FramedTestClient::readFrame (int timeoutMs)
{
    Frame frame;

    if (! readExactly (frame.header, sizeof (frame.header), timeoutMs))
        return std::nullopt;

    if (juce::ByteOrder::littleEndianInt (frame.header) != magicNumber)
        return std::nullopt;

    const auto length = (int) juce::ByteOrder::littleEndianInt (frame.header + 4);
    frame.payload.setSize ((size_t) length);

    if (! readExactly (frame.payload.getData(), length, timeoutMs))
        return std::nullopt;

    return frame;
}

bool FramedTestClient::waitForEndOfStream (int timeoutMs, juce::int64* bytesDropped)
{
    const auto deadline = juce::Time::getMillisecondCounter() + (juce::uint32) timeoutMs;
    char scratch[65536];
    juce::int64 dropped = 0;
    bool ended = false;

    while (! ended)
    {
        const auto now = juce::Time::getMillisecondCounter();

        if (now >= deadline)
            break;

        const int ready = socket.waitUntilReady (true, (int) (deadline - now));

        if (ready < 0)
            ended = true;
        else if (ready > 0)
        {
            const int n = socket.read (scratch, (int) sizeof (scratch), false);

            if (n <= 0)
                ended = true;
            else
                dropped += n;
        }
    }

    if (bytesDropped != nullptr)
        *bytesDropped = dropped;

    return ended;
}
