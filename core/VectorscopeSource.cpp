#include "VectorscopeSource.h"

VectorscopeSource::VectorscopeSource()
    : sampleFifo (std::make_unique<OVEXSlidingWindowFifo> (6, 16384, 0.0f))
{
    fillRoleMap();
}

VectorscopeSource::~VectorscopeSource() = default;

void VectorscopeSource::fillRoleMap()
{
    roleMap = { { "L", 0 }, { "R", 1 }, { "C", 2 }, { "LFE", 3 }, { "LS", 4 }, { "RS", 5 } };
}

void VectorscopeSource::pushBlock (const juce::AudioSampleBuffer& block)
{
    sampleFifo->write (block);
}

int VectorscopeSource::getNumReady()
{
    return sampleFifo->getNumReady();
}

void VectorscopeSource::pullStereo (juce::AudioSampleBuffer& dest, int numSamples)
{
    numSamples = juce::jmax (0, numSamples);

    if (dest.getNumChannels() != 2 || dest.getNumSamples() != numSamples)
        dest.setSize (2, numSamples, false, false, true);

    dest.clear();

    if (workBuffer.getNumChannels() != 6 || workBuffer.getNumSamples() != numSamples)
        workBuffer.setSize (6, numSamples, false, false, true);

    workBuffer.clear();
    sampleFifo->readWindow (workBuffer, numSamples);

    dest.copyFrom (0, 0, workBuffer, rightIndex.load(), 0, numSamples);
    dest.copyFrom (1, 0, workBuffer, leftIndex.load(), 0, numSamples);
}

int VectorscopeSource::indexOfRole (const juce::String& roleName)
{
    // Unknown names are kept with index 0, as the map's lookup has always done.
    return roleMap[roleName];
}

void VectorscopeSource::setRightChannel (const juce::String& roleName)
{
    rightIndex.store (indexOfRole (roleName));
}

void VectorscopeSource::setLeftChannel (const juce::String& roleName)
{
    leftIndex.store (indexOfRole (roleName));
}
