#include "OscTestPackets.h"

#include <oscpack/osc/OscReceivedElements.h>

#include <limits>

namespace remotetest
{
namespace
{
void appendBigEndian (juce::MemoryOutputStream& out, juce::uint32 value)
{
    out.writeIntBigEndian ((int) value);
}

void appendBundleHead (juce::MemoryOutputStream& out)
{
    out.write ("#bundle", 8);
    out.writeInt64BigEndian (1);
}
} // namespace

juce::MemoryBlock packetOf (const std::function<void (osc::OutboundPacketStream&)>& write)
{
    std::vector<char> buffer (65536);
    osc::OutboundPacketStream stream (buffer.data(), buffer.size());
    write (stream);
    return juce::MemoryBlock (stream.Data(), stream.Size());
}

juce::MemoryBlock floatMessage (const char* address, float value)
{
    return packetOf ([&] (auto& p) { p << osc::BeginMessage (address) << value << osc::EndMessage; });
}

juce::MemoryBlock nestedBundles (int levels, const juce::MemoryBlock& innermostElement)
{
    // Written front to back: the element size of level k is the size of everything inside it.
    constexpr juce::uint32 levelOverhead = 16 + 4;
    juce::MemoryOutputStream out ((size_t) levels * levelOverhead + innermostElement.getSize() + 16);

    for (int level = 0; level < levels; ++level)
    {
        appendBundleHead (out);
        appendBigEndian (out, (juce::uint32) (levels - level - 1) * levelOverhead
                                  + (juce::uint32) innermostElement.getSize());
    }

    out << innermostElement;
    return out.getMemoryBlock();
}

juce::MemoryBlock bundleOfRawElements (const std::vector<juce::MemoryBlock>& elements)
{
    juce::MemoryOutputStream out;
    appendBundleHead (out);

    for (const auto& element : elements)
    {
        appendBigEndian (out, (juce::uint32) element.getSize());
        out << element;
    }

    return out.getMemoryBlock();
}

std::vector<DecodedMessage> decodeBundle (const juce::MemoryBlock& payload)
{
    std::vector<DecodedMessage> messages;

    try
    {
        const osc::ReceivedPacket packet (static_cast<const char*> (payload.getData()), payload.getSize());

        if (! packet.IsBundle())
            return {};

        const osc::ReceivedBundle bundle (packet);

        if (bundle.TimeTag() != 1)
            return {};

        for (auto element = bundle.ElementsBegin(); element != bundle.ElementsEnd(); ++element)
        {
            if (element->IsBundle())
                return {};

            const osc::ReceivedMessage message (*element);

            if (message.ArgumentCount() != 1)
                return {};

            const auto argument = *message.ArgumentsBegin();
            DecodedMessage decoded { message.AddressPattern(), argument.TypeTag(), 0.0 };

            switch (decoded.type)
            {
                case 'f': decoded.value = argument.AsFloat(); break;
                case 'i': decoded.value = argument.AsInt32(); break;
                case 'd': decoded.value = argument.AsDouble(); break;
                case 'T': decoded.value = 1.0; break;
                case 'F': decoded.value = 0.0; break;
                default: return {};
            }

            messages.push_back (decoded);
        }
    }
    catch (const osc::Exception&)
    {
        return {};
    }

    return messages;
}

double valueAt (const std::vector<DecodedMessage>& messages, const std::string& address)
{
    for (const auto& message : messages)
        if (message.address == address)
            return message.value;

    return std::numeric_limits<double>::quiet_NaN();
}
} // namespace remotetest
