#include "QITOSCStandalone.h"

#include <cstring>
#include <iostream>

namespace
{
// Position of the sample counter in the meter address table; on the wire it comes after the correlations.
constexpr int processedSamplesAddress = 27;

const char* const adminPasswordAddress = "/adminPassword";
const char* const stereoStateAddress = "/stereoStateParam";

template <typename Value>
void addMessage (osc::OutboundPacketStream& stream, const char* address, Value value)
{
    stream << osc::BeginMessage (address) << value << osc::EndMessage;
}
} // namespace

QITOSCStandalone::QITOSCStandalone()
{
    initMeterAddresses();
}

QITOSCStandalone::QITOSCStandalone (Clock clockMs) : OVEXOSCWrapper (std::move (clockMs))
{
    initMeterAddresses();
}

QITOSCStandalone::~QITOSCStandalone()
{
    // Before the address tables and this object's overrides go: connection threads may still be
    // delivering messages.
    stop();
}

void QITOSCStandalone::initMeterAddresses()
{
    MeterAddresses = { "/momentaryLoudness",
                       "/momentaryLoudnessPix",
                       "/shortTermLoudness",
                       "/programLoudness",
                       "/loudnessRange",
                       "/loudnessRangeVectorMin",
                       "/loudnessRangeVectorMax",
                       "/arrowSliderValue",
                       "/truePeakAlarm",
                       "/truePeakValuesPerChannelL",
                       "/truePeakValuesPerChannelR",
                       "/truePeakValuesPerChannelC",
                       "/truePeakValuesPerChannelLFE",
                       "/truePeakValuesPerChannelLS",
                       "/truePeakValuesPerChannelRS",
                       "/truePeakValuesPerChannelPixL",
                       "/truePeakValuesPerChannelPixR",
                       "/truePeakValuesPerChannelPixC",
                       "/truePeakValuesPerChannelPixLFE",
                       "/truePeakValuesPerChannelPixLS",
                       "/truePeakValuesPerChannelPixRS",
                       "/truePeakAlarmsPerChannelL",
                       "/truePeakAlarmsPerChannelR",
                       "/truePeakAlarmsPerChannelC",
                       "/truePeakAlarmsPerChannelLFE",
                       "/truePeakAlarmsPerChannelLS",
                       "/truePeakAlarmsPerChannelRS",
                       "/processedSamplesCounter",
                       "/vectroscopeValueL",
                       "/vectroscopeValueR",
                       "/vectroscopeValueC",
                       "/vectroscopeValueLFE",
                       "/vectroscopeValueLS",
                       "/vectroscopeValueRS",
                       "/veskCorrL-R",
                       "/veskCorrL-C",
                       "/veskCorrR-C",
                       "/veskCorrLS-RS",
                       "/veskCorrL-LS",
                       "/veskCorrR-RS" };
}

void QITOSCStandalone::setMeterData (MeterSnapshot snapshot)
{
    meters = snapshot;
}

void QITOSCStandalone::setParameters (const ParameterBlock& values)
{
    const std::lock_guard<std::mutex> lock (parametersLock);
    parameters = values;
}

void QITOSCStandalone::connectionMade (int)
{
    printer.print ([] { std::cout << "Connected to server" << std::flush; });
}

void QITOSCStandalone::connectionLost (int)
{
    printer.print ([] { std::cout << "Disconnected from server" << std::flush; });
}

void QITOSCStandalone::buildPacket (osc::OutboundPacketStream& stream)
{
    stream << osc::BeginBundleImmediate;

    const float levels[] = { meters.momentaryLevel,  meters.momentaryFraction, meters.shortTermLevel,
                             meters.integratedLevel, meters.loudnessRange,     meters.rangeLowFraction,
                             meters.rangeHighFraction, meters.shortTermFraction };
    int address = 0;

    for (auto level : levels)
        addMessage (stream, MeterAddresses[(size_t) address++], level);

    addMessage (stream, MeterAddresses[(size_t) address++], (osc::int32) meters.truePeakAlarm);

    for (auto value : meters.heldTruePeak)
        addMessage (stream, MeterAddresses[(size_t) address++], value);

    for (auto value : meters.truePeakFraction)
        addMessage (stream, MeterAddresses[(size_t) address++], value);

    for (auto alarm : meters.channelAlarm)
        addMessage (stream, MeterAddresses[(size_t) address++], (osc::int32) alarm);

    ++address; // the sample counter goes last

    for (auto value : meters.soundFieldLevel)
        addMessage (stream, MeterAddresses[(size_t) address++], value);

    for (auto value : meters.correlation)
        addMessage (stream, MeterAddresses[(size_t) address++], value);

    addMessage (stream, MeterAddresses[processedSamplesAddress], meters.processedSamples);

    {
        const std::lock_guard<std::mutex> lock (parametersLock);
        for (const auto& parameter : savedParameters)
            if (parameter.sentToRemote)
                addMessage (stream, parameter.remoteAddress, parameters.*parameter.field);

        addMessage (stream, stereoStateAddress, parameters.stereoState);
    }

    stream << osc::EndBundle;
}

void QITOSCStandalone::ProcessMessage (const osc::ReceivedMessage& message)
{
    const char* address = message.AddressPattern();

    // Any client unlocks every client, for good; the argument is not looked at.
    if (std::strcmp (address, adminPasswordAddress) == 0)
    {
        adminAccepted = true;
        return;
    }

    if (! adminAccepted)
        return;

    try
    {
        auto arguments = message.ArgumentStream();

        if (std::strcmp (address, stereoStateAddress) == 0)
        {
            bool state = false;
            arguments >> state >> osc::EndMessage;

            const std::lock_guard<std::mutex> lock (parametersLock);
            parameters.stereoState = state;
            return;
        }

        for (const auto& parameter : savedParameters)
        {
            if (! parameter.settableByRemote || std::strcmp (address, parameter.remoteAddress) != 0)
                continue;

            float value = 0.0f;
            arguments >> value >> osc::EndMessage;

            {
                const std::lock_guard<std::mutex> lock (parametersLock);
                parameters.*parameter.field = value;
            }

            if (parameter.printedWhenSet)
                printer.print ([value] { std::cout << "\n" << (double) value << std::flush; });

            return;
        }
    }
    catch (const osc::Exception& e)
    {
        printer.print ([&]
        { std::cout << "error while parsing message: " << address << ": " << e.what() << "\n" << std::flush; });
    }
}
