#pragma once

#include "MeterSnapshot.h"
#include "ParameterBlock.h"

namespace remotetest
{
/** A snapshot and parameters whose every sent field has its own value, so that any slip in mapping
    or order shows: message k of the bundle (counting from 1) carries k, except the sample counter,
    which carries 2^40 + 1 (no float holds it), and the stereo state, which is on. The parameters
    that are not sent hold values no message carries. */
MeterSnapshot distinctSnapshot();
ParameterBlock distinctParameters();
} // namespace remotetest
