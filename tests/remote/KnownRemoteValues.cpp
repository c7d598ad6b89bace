#include "KnownRemoteValues.h"

#include <cmath>

namespace remotetest
{
MeterSnapshot distinctSnapshot()
{
    MeterSnapshot s;
    s.momentaryLevel = 1.0f;
    s.momentaryFraction = 2.0f;
    s.shortTermLevel = 3.0f;
    s.integratedLevel = 4.0f;
    s.loudnessRange = 5.0f;
    s.rangeLowFraction = 6.0f;
    s.rangeHighFraction = 7.0f;
    s.shortTermFraction = 8.0f;
    s.truePeakAlarm = 9;

    for (int r = 0; r < 6; ++r)
    {
        s.heldTruePeak[(size_t) r] = (float) (10 + r);
        s.truePeakFraction[(size_t) r] = (float) (16 + r);
        s.channelAlarm[(size_t) r] = 22 + r;
        s.soundFieldLevel[(size_t) r] = (float) (28 + r);
        s.correlation[(size_t) r] = (float) (34 + r);
    }

    s.processedSamples = std::ldexp (1.0, 40) + 1.0;
    return s;
}

ParameterBlock distinctParameters()
{
    ParameterBlock p;
    p.measurementStandard = 41.0f;
    p.measurementScale = 42.0f;
    p.measurementUnit = 43.0f;
    p.gatingOffFlag = 44.0f;
    p.truePeakRefLevel = 45.0f;
    p.truePeakMaxLevel = 46.0f;
    p.truePeakHoldTime = 47.0f;
    p.truePeakOverloadTime = 48.0f;
    p.shtMaxLevel = 49.0f;
    p.stereoMixdownFlag = 50.0f;
    p.vectroscopeInputDataFlag = 51.0f;
    p.stereoState = true;
    p.runFlag = 90.0f;
    p.followTransportFlag = 91.0f;
    p.adminPassword = 92;
    return p;
}
} // namespace remotetest
