#pragma once

#include <juce_core/juce_core.h>

#include <memory>

/** The envelope of the processor's saved state: the element "MYPLUGINSETTINGS" as one line of XML
    behind a magic number and its length. Pure functions, for the message thread. */
namespace processorState
{
extern const char* const tagName;

/** The value as a double in general notation with 20 significant digits: -1 gives "-1",
    0.1f gives "0.10000000149011611938". */
juce::String formatNumber (float value);

void write (const juce::XmlElement& state, juce::MemoryBlock& destination);

/** The stored element, or null for anything that is not a plausible state. */
std::unique_ptr<juce::XmlElement> read (const void* data, int sizeInBytes);
} // namespace processorState
