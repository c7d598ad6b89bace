#include "ProcessorStateCodec.h"

#include "GuardedXml.h"

#include <locale>
#include <sstream>

namespace
{
constexpr juce::uint32 stateMagic = 0x21324356;

/** A state is one element with no children, far below this. */
constexpr int maximumStateBytes = 64 * 1024;
} // namespace

const char* const processorState::tagName = "MYPLUGINSETTINGS";

juce::String processorState::formatNumber (float value)
{
    std::ostringstream text;
    text.imbue (std::locale::classic());
    text.precision (20);
    text << (double) value;
    return juce::String (text.str());
}

void processorState::write (const juce::XmlElement& state, juce::MemoryBlock& destination)
{
    // Written by hand: the framework's own envelope puts an XML header before the element.
    const auto text = state.toString (juce::XmlElement::TextFormat().singleLine().withoutHeader());
    const auto numBytes = text.getNumBytesAsUTF8();

    juce::MemoryOutputStream out (destination, false);
    out.writeInt ((int) stateMagic);
    out.writeInt ((int) numBytes);
    out.write (text.toRawUTF8(), numBytes);
    out.writeByte (0);
}

std::unique_ptr<juce::XmlElement> processorState::read (const void* data, int sizeInBytes)
{
    if (data == nullptr || sizeInBytes < 8 || sizeInBytes > maximumStateBytes)
        return nullptr;

    const auto* bytes = static_cast<const char*> (data);
    const auto length = juce::jmin (sizeInBytes - 8, (int) juce::ByteOrder::littleEndianInt (bytes + 4));

    if (juce::ByteOrder::littleEndianInt (bytes) != stateMagic || length <= 0
        || ! isSafeXmlText (bytes + 8, (size_t) length, 1))
        return nullptr;

    return juce::parseXML (juce::String::fromUTF8 (bytes + 8, length));
}
