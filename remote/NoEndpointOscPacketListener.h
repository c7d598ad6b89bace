#pragma once

#include <oscpack/osc/OscReceivedElements.h>

/** oscpack's packet listener for packets that arrive without a sender address (the library's own
    listener wants an IpEndpointName). Every bundle and message is checked against its own size
    before oscpack parses it, since oscpack 1.1.0 reads past the end of some malformed messages,
    and bundle nesting is limited so that no packet can exhaust the stack. Runs on whichever thread
    hands it the packet; throws osc::Exception on malformed input. */
class NoEndpointOscPacketListener
{
public:
    /** Deeper bundles are rejected as malformed; no legitimate client nests more than a level or two. */
    static constexpr int maxBundleDepth = 32;

    NoEndpointOscPacketListener() = default;
    virtual ~NoEndpointOscPacketListener() = default;

    virtual void ProcessPacket (const char* data, int size);

    /** The same, counting into elementsTakenApart every bundle and message it takes apart, also
        those before a malformed element ends the packet. */
    void ProcessPacket (const char* data, int size, int& elementsTakenApart);

protected:
    /** Time tags are ignored: every message takes effect at once. */
    virtual void ProcessBundle (const osc::ReceivedBundle& bundle, int depth, int& elementsTakenApart);

    virtual void ProcessMessage (const osc::ReceivedMessage& message) = 0;

private:
    static void checkBundleLayout (const char* data, osc::osc_bundle_element_size_t size);
    static void checkMessageLayout (const char* data, osc::osc_bundle_element_size_t size);
};
