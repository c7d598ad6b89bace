#include "OVEXDownmixer.h"

#include "ChannelRole.h"

void OVEXDownmixer::process (juce::AudioSampleBuffer& buffer) const
{
    if (buffer.getNumChannels() < numChannelRoles)
        return;

    const int n = buffer.getNumSamples();
    constexpr float minus3dB = 0.7071f;

    auto* l = buffer.getWritePointer (roleL);
    auto* r = buffer.getWritePointer (roleR);
    auto* c = buffer.getWritePointer (roleC);
    auto* ls = buffer.getWritePointer (roleLS);
    auto* rs = buffer.getWritePointer (roleRS);

    juce::FloatVectorOperations::multiply (c, minus3dB, n);
    juce::FloatVectorOperations::multiply (ls, minus3dB, n);
    juce::FloatVectorOperations::multiply (rs, minus3dB, n);

    // The order of the additions is part of the result's rounding.
    juce::FloatVectorOperations::add (l, c, n);
    juce::FloatVectorOperations::add (l, ls, n);
    juce::FloatVectorOperations::add (r, c, n);
    juce::FloatVectorOperations::add (r, rs, n);

    for (auto role : { roleC, roleLFE, roleLS, roleRS })
        buffer.clear (role, 0, n);
}
