#pragma once

#include <juce_core/juce_core.h>
#include <oscpack/osc/OscOutboundPacketStream.h>

#include <functional>
#include <string>
#include <vector>

namespace remotetest
{
/** A packet written with oscpack's stream into a buffer large enough for any test packet. */
juce::MemoryBlock packetOf (const std::function<void (osc::OutboundPacketStream&)>& write);

/** A message with one float argument. */
juce::MemoryBlock floatMessage (const char* address, float value);

/** levels bundles nested inside each other, the innermost holding the one element given. */
juce::MemoryBlock nestedBundles (int levels, const juce::MemoryBlock& innermostElement);

/** An immediate bundle of the given elements, each as raw bytes (which need not be valid OSC). */
juce::MemoryBlock bundleOfRawElements (const std::vector<juce::MemoryBlock>& elements);

/** One message of an outgoing bundle: its address, type tag and value (T and F as 1 and 0). */
struct DecodedMessage
{
    std::string address;
    char type = 0;
    double value = 0.0;
};

/** The messages of one outgoing bundle, decoded by oscpack; empty when the payload is not an
    immediate bundle of one-argument messages. */
std::vector<DecodedMessage> decodeBundle (const juce::MemoryBlock& payload);

/** The value of the address in a decoded bundle; NaN when the address is missing. */
double valueAt (const std::vector<DecodedMessage>& messages, const std::string& address);
} // namespace remotetest
