#include "ProcessorStateCodec.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <locale>
#include <sstream>

namespace
{
constexpr juce::uint32 stateMagic = 0x21324356;

/** The framework's XML parser recurses once per nested element, so a stored state nesting tens of
    thousands of them would overflow the stack at every start. A state is one element with no
    children, far below maximumStateBytes; anything else counts as no state at all. */
constexpr int maximumStateBytes = 64 * 1024;

bool nestsDeeperThanOneElement (const char* text, size_t length)
{
    int depth = 0;
    bool inTag = false;
    char quote = 0;

    for (size_t i = 0; i < length; ++i)
    {
        const char c = text[i];

        if (quote != 0)
        {
            quote = c == quote ? 0 : quote;
        }
        else if (inTag)
        {
            if (c == '"' || c == '\'')
                quote = c;
            else if (c == '>')
                inTag = false, depth -= (i > 0 && text[i - 1] == '/') ? 1 : 0;
        }
        else if (c == '<')
        {
            inTag = true;
            const char next = i + 1 < length ? text[i + 1] : 0;

            if (next == '/')
                --depth;
            else if (next != '?' && next != '!' && ++depth > 1)
                return true;
        }
    }

    return false;
}

bool isPlausibleState (const void* data, int sizeInBytes)
{
    if (sizeInBytes > maximumStateBytes)
        return false;

    if (sizeInBytes < 8)
        return true; // the envelope's own checks turn it down

    const auto* bytes = static_cast<const char*> (data);
    const auto textLength = (size_t) juce::jlimit (0, sizeInBytes - 8, (int) juce::ByteOrder::littleEndianInt (bytes + 4));
    return ! nestsDeeperThanOneElement (bytes + 8, textLength);
}
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
    return isPlausibleState (data, sizeInBytes) ? juce::AudioProcessor::getXmlFromBinary (data, sizeInBytes) : nullptr;
}
