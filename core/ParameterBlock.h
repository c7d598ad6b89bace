#pragma once

#include <juce_core/juce_core.h>

#include <cmath>

/** Indices of the processor's parameters as its setters take them; 13 carries no value. */
enum ParameterIndex
{
    runFlagIndex = 0,
    measurementStandardIndex = 1,
    measurementScaleIndex = 2,
    measurementUnitIndex = 3,
    gatingOffFlagIndex = 4,
    followTransportFlagIndex = 5,
    truePeakRefLevelIndex = 6,
    truePeakMaxLevelIndex = 7,
    truePeakHoldTimeIndex = 8,
    truePeakOverloadTimeIndex = 9,
    shtMaxLevelIndex = 10,
    stereoMixdownFlagIndex = 11,
    vectroscopeInputDataFlagIndex = 12,
    adminPasswordIndex = 13,
    logFilePathIndex = 14,
    logFileNameIndex = 15,
    stereoStateIndex = 16,
    numParameters = 17
};

/** The processor's parameter values, copied whole by the editor's and the remote server's timers.
    The two strings default to the report folder and base name, which the processor fills in. */
struct ParameterBlock
{
    float runFlag = 0.0f;
    float measurementStandard = 0.0f;
    float measurementScale = 0.0f;
    float measurementUnit = 0.0f;
    float gatingOffFlag = 0.0f;
    float followTransportFlag = 0.0f;
    float truePeakRefLevel = 0.0f;
    float truePeakMaxLevel = -1.0f;
    float truePeakHoldTime = 3.0f;
    float truePeakOverloadTime = 3.0f;
    float shtMaxLevel = -24.0f;
    int adminPassword = 9275;
    juce::String logFilePath;
    juce::String logFileName;
    float stereoMixdownFlag = 0.0f;
    bool stereoState = false;
    float vectroscopeInputDataFlag = 0.0f;
};

/** One of the twelve saved float parameters: the index the setter takes, the attribute of the saved
    state, the remote address, whether the remote bundle carries it, and whether a remote client
    may set it (and if so whether the server prints it). The setter, the saved state and the remote
    server's outgoing and incoming messages all read this one list, in this order. */
struct SavedParameter
{
    ParameterIndex index;
    const char* stateAttribute;
    const char* remoteAddress;
    float ParameterBlock::*field;
    bool sentToRemote;
    bool settableByRemote;
    bool printedWhenSet;
};

inline constexpr SavedParameter savedParameters[] = {
    { measurementStandardIndex, "measurementStandard", "/measurementStandardParam", &ParameterBlock::measurementStandard, true, true, true },
    { measurementScaleIndex, "measurementScale", "/measurementScaleParam", &ParameterBlock::measurementScale, true, true, true },
    { measurementUnitIndex, "measurementUnit", "/measurementUnitParam", &ParameterBlock::measurementUnit, true, true, true },
    { gatingOffFlagIndex, "gatingOffFlag", "/gatingOffFlagParam", &ParameterBlock::gatingOffFlag, true, true, false },
    { followTransportFlagIndex, "followTransportFlag", "/followTransportFlagParam", &ParameterBlock::followTransportFlag, false, false, false },
    { truePeakRefLevelIndex, "truePeakRefLevel", "/truePeakRefLevelParam", &ParameterBlock::truePeakRefLevel, true, true, false },
    { truePeakMaxLevelIndex, "truePeakMaxLevel", "/truePeakMaxLevelParam", &ParameterBlock::truePeakMaxLevel, true, true, false },
    { truePeakHoldTimeIndex, "truePeakHoldTime", "/truePeakHoldTimeParam", &ParameterBlock::truePeakHoldTime, true, true, false },
    { truePeakOverloadTimeIndex, "truePeakOverloadTime", "/truePeakOverloadTimeParam", &ParameterBlock::truePeakOverloadTime, true, false, false },
    { shtMaxLevelIndex, "shtMaxLevel", "/shtLoudnessMaxValueParam", &ParameterBlock::shtMaxLevel, true, true, false },
    { stereoMixdownFlagIndex, "stereoMixdownFlag", "/stereoDownmixParam", &ParameterBlock::stereoMixdownFlag, true, true, false },
    { vectroscopeInputDataFlagIndex, "vectroscopeInputDataFlag", "/vectroscopeInputDataParam", &ParameterBlock::vectroscopeInputDataFlag, true, true, false },
};

/** A switch value is on when it differs from 0.0; NaN counts as on. */
inline bool isNonZero (float value) noexcept
{
    return value != 0.0f;
}

/** A switch value is on when its nearest integer (ties to even) is not 0; NaN counts as on. */
inline bool isNonZeroAfterRounding (float value) noexcept
{
    return std::nearbyint (value) != 0.0f;
}
