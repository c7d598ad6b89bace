#include "OVEXOSCWrapper.h"

#include <exception>

juce::MemoryBlock OVEXOSCWrapper::getPacketData()
{
    char buffer[packetBufferSize];

    try
    {
        osc::OutboundPacketStream stream (buffer, sizeof (buffer));
        buildPacket (stream);
        return juce::MemoryBlock (stream.Data(), stream.Size());
    }
    catch (const osc::Exception&)
    {
        return {};
    }
}

int OVEXOSCWrapper::messageReceived (const juce::MemoryBlock& message, int)
{
    int elementsTakenApart = 0;

    try
    {
        ProcessPacket (static_cast<const char*> (message.getData()), (int) message.getSize(),
                       elementsTakenApart);
    }
    catch (const std::exception&)
    {
        // osc::Exception is a std::exception too; the connection goes on with its next packet.
    }

    return elementsTakenApart;
}
