#pragma once

#include "NoEndpointOscPacketListener.h"
#include "OVEXSocketConnectionWrapper.h"

#include <oscpack/osc/OscOutboundPacketStream.h>

/** Puts OSC on the connection server: every outgoing packet is built by the subclass into a fixed
    buffer, and every received block is parsed as one OSC packet. Packets are built on the message
    thread and parsed on the receiving connection's thread. */
class OVEXOSCWrapper : public OVEXSocketConnectionWrapper, public NoEndpointOscPacketListener
{
public:
    static constexpr int packetBufferSize = 4096;

    using OVEXSocketConnectionWrapper::OVEXSocketConnectionWrapper;

    /** An empty block when the packet did not fit, so that nothing is sent. */
    juce::MemoryBlock getPacketData() override;

    /** Malformed packets are dropped here: nothing a client sends may escape its connection thread.
        Returns the bundles and messages taken apart, a malformed packet's up to its fault. */
    int messageReceived (const juce::MemoryBlock& message, int connectionId) override;

protected:
    virtual void buildPacket (osc::OutboundPacketStream& stream) = 0;
};
