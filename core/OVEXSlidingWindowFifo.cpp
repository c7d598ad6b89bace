#include "OVEXSlidingWindowFifo.h"

#include <cmath>

OVEXSlidingWindowFifo::OVEXSlidingWindowFifo (int numChannels, int capacity, float overlapFraction)
    : fifo (capacity),
      buffer (numChannels, capacity),
      overlap (overlapFraction)
{
    buffer.clear();
}

void OVEXSlidingWindowFifo::write (const juce::AudioSampleBuffer& block)
{
    const auto numChannels = juce::jmin (block.getNumChannels(), buffer.getNumChannels());
    jassert (block.getNumChannels() <= buffer.getNumChannels());

    int start1, size1, start2, size2;
    fifo.prepareToWrite (block.getNumSamples(), start1, size1, start2, size2);

    // Raw copies only: AudioBuffer::copyFrom keeps the ring's clear flag, which the consumer's
    // copyFrom would read, so each end would touch a field the other writes.
    for (int c = 0; c < numChannels; ++c)
    {
        if (size1 > 0)
            juce::FloatVectorOperations::copy (buffer.getWritePointer (c, start1), block.getReadPointer (c),
                                               size1);

        if (size2 > 0)
            juce::FloatVectorOperations::copy (buffer.getWritePointer (c, start2),
                                               block.getReadPointer (c, size1), size2);
    }

    fifo.finishedWrite (size1 + size2);

    // The ring is far larger than the caches, so the next block's stretch has long left them; asking
    // for it now means the next write (typically a block of the same length) does not wait on memory.
    fifo.prepareToWrite (block.getNumSamples(), start1, size1, start2, size2);

    for (int c = 0; c < numChannels; ++c)
        for (const auto& [start, size] : { std::pair<int, int> { start1, size1 }, { start2, size2 } })
            for (int i = 0; i < size; i += 16)
                __builtin_prefetch (buffer.getReadPointer (c, start + i), 1);
}

int OVEXSlidingWindowFifo::readWindow (juce::AudioSampleBuffer& dest, int n)
{
    jassert (n <= dest.getNumSamples() && dest.getNumChannels() <= buffer.getNumChannels());
    n = juce::jlimit (0, dest.getNumSamples(), n);
    const auto numChannels = juce::jmin (dest.getNumChannels(), buffer.getNumChannels());

    dest.clear();
    int copied = 0;

    return readWindowInPlace (n, [&] (const juce::AudioSampleBuffer& source, int start, int size)
    {
        for (int c = 0; c < numChannels; ++c)
            juce::FloatVectorOperations::copy (dest.getWritePointer (c, copied),
                                               source.getReadPointer (c, start), size);

        copied += size;
    });
}

int OVEXSlidingWindowFifo::hopAfter (int samplesRead) const noexcept
{
    return (int) std::floor ((1.0f - overlap) * (float) samplesRead);
}

int OVEXSlidingWindowFifo::getNumReady()
{
    discardIfResetRequested();
    return fifo.getNumReady();
}

void OVEXSlidingWindowFifo::discardIfResetRequested()
{
    if (resetRequested.exchange (false, std::memory_order_acq_rel))
    {
        fifo.finishedRead (fifo.getNumReady());
        ++discards;
    }
}
