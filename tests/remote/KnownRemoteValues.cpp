#include "KnownRemoteValues.h"

namespace remotetest
{
MeterSnapshot distinctSnapshot()
{
    MeterSnapshot s;
    s.momentaryLevel = -23.5f;
    s.momentaryFraction = 0.125f;
    s.shortTermLevel = -24.25f;
    s.integratedLevel = -22.75f;
    s.loudnessRange = 7.5f;
    s.rangeLowFraction = 0.375f;
    s.rangeHighFraction = 0.625f;
    s.shortTermFraction = 0.875f;
    s.truePeakAlarm = 1;

    for (size_t r = 0; r < 6; ++r)
    {
        s.heldTruePeak[r] = -10.0f - (float) r;
        s.truePeakFraction[r] = 0.5f + 0.0625f * (float) r;
        s.channelAlarm[r] = 10 + (int) r;
        s.soundFieldLevel[r] = 20.0f + (float) r;
        s.correlation[r] = -0.5f + 0.25f * (float) r;
    }

    s.processedSamples = 123456789.0;
    return s;
}

ParameterBlock distinctParameters()
{
    ParameterBlock p;
    p.runFlag = 1.0f;
    p.measurementStandard = 2.0f;
    p.measurementScale = 1.0f;
    p.measurementUnit = 1.5f;
    p.gatingOffFlag = 3.0f;
    p.followTransportFlag = 4.0f;
    p.truePeakRefLevel = -6.0f;
    p.truePeakMaxLevel = -2.0f;
    p.truePeakHoldTime = 5.0f;
    p.truePeakOverloadTime = 7.0f;
    p.shtMaxLevel = -18.0f;
    p.adminPassword = 1;
    p.logFilePath = "/tmp/reports";
    p.logFileName = "run";
    p.stereoMixdownFlag = 8.0f;
    p.stereoState = true;
    p.vectroscopeInputDataFlag = 9.0f;
    return p;
}
} // namespace remotetest
