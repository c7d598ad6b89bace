#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

/** Folds a 5.1 buffer to stereo in place: L' = L + 0.7071 (C + LS), R' = R + 0.7071 (C + RS), the LFE dropped.
    Stateless; the processor calls it on the audio thread. Nothing limits the sums. */
class OVEXDownmixer
{
public:
    /** The buffer holds at least six channels in role order L, R, C, LFE, LS, RS; afterwards only L and R carry signal. */
    void process (juce::AudioSampleBuffer& buffer) const;
};
