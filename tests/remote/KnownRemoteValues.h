#pragma once

#include "MeterSnapshot.h"
#include "ParameterBlock.h"

namespace remotetest
{
/** A snapshot whose every field has its own value, so that any slip in mapping or order shows as a
    wrong value: -23.5, 0.125, -24.25, -22.75, 7.5, 0.375, 0.625, 0.875, alarm 1; per role r
    held peaks -10 - r, fractions 0.5 + r/16, alarms 10 + r, sound field 20 + r, correlations
    -0.5 + r/4; the sample counter 123456789. */
MeterSnapshot distinctSnapshot();

/** Parameters likewise: standard 2, scale 1, unit 1.5, gating off 3, follow transport 4, true-peak
    reference -6, maximum -2, hold 5, overload 7, short-term maximum -18, downmix 8, vectorscope
    input 9, stereo state true. */
ParameterBlock distinctParameters();
} // namespace remotetest
