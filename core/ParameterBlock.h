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
