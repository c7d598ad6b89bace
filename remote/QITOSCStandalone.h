#pragma once

#include "MeterSnapshot.h"
#include "OVEXOSCWrapper.h"
#include "ParameterBlock.h"

#include <array>
#include <atomic>
#include <mutex>

/** The remote-control server: every tick the processor hands it the meter values and parameters
    and it sends them to every client as one bundle of 52 messages (1900 bytes); parameter messages
    from clients are stored in its own copy of the parameters, which the next tick replaces.
    Connection events, the values it stores and parse errors are printed, as far as the print
    limiter lets them.
    The feed's thread: set..., sendToAll. Message thread: start, stop. Connection threads: the
    received messages. */
class QITOSCStandalone : public OVEXOSCWrapper
{
public:
    QITOSCStandalone();

    /** With a clock of the caller's for the stall time and the printed lines' seconds. */
    explicit QITOSCStandalone (Clock clockMs);
    ~QITOSCStandalone() override;

    void setMeterData (MeterSnapshot snapshot);
    void setParameters (const ParameterBlock& values);

    void connectionMade (int connectionId) override;
    void connectionLost (int connectionId) override;

protected:
    void buildPacket (osc::OutboundPacketStream& stream) override;
    void ProcessMessage (const osc::ReceivedMessage& message) override;

private:
    void initMeterAddresses();

    std::array<const char*, 40> MeterAddresses {};
    MeterSnapshot meters;

    // Written by connection threads, replaced and read on the feed's thread.
    std::mutex parametersLock;
    ParameterBlock parameters;

    std::atomic<bool> adminAccepted { false };
};
