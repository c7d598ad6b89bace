#include "NoEndpointOscPacketListener.h"

#include <cstdint>
#include <cstring>

namespace
{
constexpr std::int64_t wordSize = 4;

[[noreturn]] void malformedMessage()
{
    throw osc::MalformedMessageException ("arguments exceed message size");
}

/** Where the padded string starting at offset ends, found as oscpack finds it: an empty string
    takes one word, any other ends with the first word whose last byte is zero. */
std::int64_t paddedStringEnd (const char* data, std::int64_t size, std::int64_t offset)
{
    if (offset >= size)
        malformedMessage();

    if (data[offset] == '\0')
        return offset + wordSize;

    for (auto last = offset + wordSize - 1; last < size; last += wordSize)
        if (data[last] == '\0')
            return last + 1;

    malformedMessage();
}

std::int32_t bigEndianInt32 (const char* bytes)
{
    const auto* b = reinterpret_cast<const unsigned char*> (bytes);
    return (std::int32_t) (((std::uint32_t) b[0] << 24) | ((std::uint32_t) b[1] << 16)
                           | ((std::uint32_t) b[2] << 8) | (std::uint32_t) b[3]);
}
} // namespace

void NoEndpointOscPacketListener::ProcessPacket (const char* data, int size)
{
    int elementsTakenApart = 0;
    ProcessPacket (data, size, elementsTakenApart);
}

void NoEndpointOscPacketListener::ProcessPacket (const char* data, int size, int& elementsTakenApart)
{
    const osc::ReceivedPacket packet (data, (osc::osc_bundle_element_size_t) size);

    if (packet.IsBundle())
    {
        checkBundleLayout (packet.Contents(), packet.Size());
        ++elementsTakenApart;
        ProcessBundle (osc::ReceivedBundle (packet), 1, elementsTakenApart);
    }
    else
    {
        checkMessageLayout (packet.Contents(), packet.Size());
        ++elementsTakenApart;
        ProcessMessage (osc::ReceivedMessage (packet));
    }
}

void NoEndpointOscPacketListener::ProcessBundle (const osc::ReceivedBundle& bundle, int depth,
                                                 int& elementsTakenApart)
{
    for (auto element = bundle.ElementsBegin(); element != bundle.ElementsEnd(); ++element)
    {
        if (element->IsBundle())
        {
            if (depth >= maxBundleDepth)
                throw osc::MalformedBundleException ("bundles nested too deeply");

            checkBundleLayout (element->Contents(), element->Size());
            ++elementsTakenApart;
            ProcessBundle (osc::ReceivedBundle (*element), depth + 1, elementsTakenApart);
        }
        else
        {
            checkMessageLayout (element->Contents(), element->Size());
            ++elementsTakenApart;
            ProcessMessage (osc::ReceivedMessage (*element));
        }
    }
}

void NoEndpointOscPacketListener::checkBundleLayout (const char* data, osc::osc_bundle_element_size_t size)
{
    // "#bundle", the time tag, then elements that each fit what is left.
    constexpr std::int64_t headSize = 16;

    if (size < headSize || std::memcmp (data, "#bundle", 8) != 0)
        throw osc::MalformedBundleException ("bad bundle head");

    for (std::int64_t offset = headSize; offset < size;)
    {
        if (size - offset < wordSize)
            throw osc::MalformedBundleException ("packet too short for bundle element");

        const std::int64_t elementSize = (std::uint32_t) bigEndianInt32 (data + offset);
        offset += wordSize + elementSize;

        if (elementSize % wordSize != 0 || offset > size)
            throw osc::MalformedBundleException ("packet too short for bundle element");
    }
}

void NoEndpointOscPacketListener::checkMessageLayout (const char* data, osc::osc_bundle_element_size_t size)
{
    const std::int64_t end = size;

    if (end <= 0 || end % wordSize != 0)
        malformedMessage();

    const auto typeTags = paddedStringEnd (data, end, 0);

    if (typeTags == end || (data[typeTags] == ',' && data[typeTags + 1] == '\0'))
        return; // no arguments

    if (data[typeTags] != ',')
        throw osc::MalformedMessageException ("type tags not present");

    auto argument = paddedStringEnd (data, end, typeTags);

    // The tags end at their first zero byte, which lies within the padded string just found.
    for (auto tag = typeTags + 1; data[tag] != '\0'; ++tag)
    {
        switch (data[tag])
        {
            case 'T': case 'F': case 'N': case 'I': case '[': case ']':
                break;

            case 'i': case 'f': case 'c': case 'r': case 'm':
                argument += 4;
                break;

            case 'h': case 't': case 'd':
                argument += 8;
                break;

            case 's': case 'S':
                argument = paddedStringEnd (data, end, argument);
                break;

            case 'b':
            {
                if (end - argument < wordSize)
                    malformedMessage();

                const std::int64_t blobSize = (std::uint32_t) bigEndianInt32 (data + argument);
                argument += wordSize + (blobSize + wordSize - 1) / wordSize * wordSize;
                break;
            }

            default:
                throw osc::MalformedMessageException ("unknown type tag");
        }

        if (argument > end)
            malformedMessage();
    }
}
