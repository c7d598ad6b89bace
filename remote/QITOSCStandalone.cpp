#include "QITOSCStandalone.h"

#include <cstring>
#include <iostream>

namespace
{
// Positions in the parameter address table.
enum ParameterAddress
{
    standardAddress = 0,
    scaleAddress,
    unitAddress,
    gatingOffAddress,
    followTransportAddress,
    truePeakRefAddress,
    truePeakMaxAddress,
    truePeakHoldAddress,
    truePeakOverloadAddress,
    shortTermMaxAddress,
    adminPasswordAddress,
    stereoDownmixAddress,
    vectroscopeInputAddress,
    stereoStateAddress
};

// Position of the sample counter in the meter address table; on the wire it comes after the correlations.
constexpr int processedSamplesAddress = 27;

/** A parameter that clients may set; the stereo state, a boolean, has no float field. */
struct IncomingParameter
{
    ParameterAddress address;
    float ParameterBlock::*field;
    bool printed;
};

constexpr IncomingParameter incomingParameters[] = {
    { standardAddress, &ParameterBlock::measurementStandard, true },
    { scaleAddress, &ParameterBlock::measurementScale, true },
    { unitAddress, &ParameterBlock::measurementUnit, true },
    { gatingOffAddress, &ParameterBlock::gatingOffFlag, false },
    { truePeakRefAddress, &ParameterBlock::truePeakRefLevel, false },
    { truePeakMaxAddress, &ParameterBlock::truePeakMaxLevel, false },
    { truePeakHoldAddress, &ParameterBlock::truePeakHoldTime, false },
    { shortTermMaxAddress, &ParameterBlock::shtMaxLevel, false },
    { stereoDownmixAddress, &ParameterBlock::stereoMixdownFlag, false },
    { vectroscopeInputAddress, &ParameterBlock::vectroscopeInputDataFlag, false },
    { stereoStateAddress, nullptr, false },
};

template <typename Value>
void addMessage (osc::OutboundPacketStream& stream, const char* address, Value value)
{
    stream << osc::BeginMessage (address) << value << osc::EndMessage;
}
} // namespace

QITOSCStandalone::QITOSCStandalone()
{
    initMeterAddresses();
    initParameterAddresses();
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

void QITOSCStandalone::initParameterAddresses()
{
    ParameterAddresses = { "/measurementStandardParam",
                           "/measurementScaleParam",
                           "/measurementUnitParam",
                           "/gatingOffFlagParam",
                           "/followTransportFlagParam",
                           "/truePeakRefLevelParam",
                           "/truePeakMaxLevelParam",
                           "/truePeakHoldTimeParam",
                           "/truePeakOverloadTimeParam",
                           "/shtLoudnessMaxValueParam",
                           "/adminPassword",
                           "/stereoDownmixParam",
                           "/vectroscopeInputDataParam",
                           "/stereoStateParam" };
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
    std::cout << "Connected to server" << std::flush;
}

void QITOSCStandalone::connectionLost (int)
{
    std::cout << "Disconnected from server" << std::flush;
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
        const std::pair<ParameterAddress, float> values[] = {
            { standardAddress, parameters.measurementStandard },
            { scaleAddress, parameters.measurementScale },
            { unitAddress, parameters.measurementUnit },
            { gatingOffAddress, parameters.gatingOffFlag },
            { truePeakRefAddress, parameters.truePeakRefLevel },
            { truePeakMaxAddress, parameters.truePeakMaxLevel },
            { truePeakHoldAddress, parameters.truePeakHoldTime },
            { truePeakOverloadAddress, parameters.truePeakOverloadTime },
            { shortTermMaxAddress, parameters.shtMaxLevel },
            { stereoDownmixAddress, parameters.stereoMixdownFlag },
            { vectroscopeInputAddress, parameters.vectroscopeInputDataFlag },
        };

        for (const auto& [parameterAddress, value] : values)
            addMessage (stream, ParameterAddresses[(size_t) parameterAddress], value);

        addMessage (stream, ParameterAddresses[stereoStateAddress], parameters.stereoState);
    }

    stream << osc::EndBundle;
}

void QITOSCStandalone::ProcessMessage (const osc::ReceivedMessage& message)
{
    const char* address = message.AddressPattern();

    // Any client unlocks every client, for good; the argument is not looked at.
    if (std::strcmp (address, ParameterAddresses[adminPasswordAddress]) == 0)
    {
        adminAccepted = true;
        return;
    }

    if (! adminAccepted)
        return;

    for (const auto& parameter : incomingParameters)
    {
        if (std::strcmp (address, ParameterAddresses[(size_t) parameter.address]) != 0)
            continue;

        try
        {
            auto arguments = message.ArgumentStream();

            if (parameter.field == nullptr)
            {
                bool state = false;
                arguments >> state >> osc::EndMessage;

                const std::lock_guard<std::mutex> lock (parametersLock);
                parameters.stereoState = state;
            }
            else
            {
                float value = 0.0f;
                arguments >> value >> osc::EndMessage;

                {
                    const std::lock_guard<std::mutex> lock (parametersLock);
                    parameters.*parameter.field = value;
                }

                if (parameter.printed)
                    std::cout << "\n" << (double) value << std::flush;
            }
        }
        catch (const osc::Exception& e)
        {
            std::cout << "error while parsing message: " << address << ": " << e.what() << "\n" << std::flush;
        }

        return;
    }
}
