#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

#include <atomic>

/** Lock-free hand-over of multichannel audio from one producer thread (the audio thread) to one
    consumer thread (a time-slice thread). The consumer reads fixed-length windows and leaves the
    overlapping tail of each window queued for the next one.

    A reset may be asked for from any thread, but only the consumer carries it out, at the top of
    its next read: an AbstractFifo reset racing a read or write would make stale samples ready. */
class OVEXSlidingWindowFifo
{
public:
    OVEXSlidingWindowFifo (int numChannels, int capacity, float overlap);

    /** Producer: appends the whole block; what does not fit is dropped from the end of the block. */
    void write (const juce::AudioSampleBuffer& block);

    /** Consumer: copies up to n queued samples to dest (cleared first) and consumes only the
        non-overlapping part of what it copied. Returns the number of samples copied. */
    int readWindow (juce::AudioSampleBuffer& dest, int n);

    /** Consumer: the number of samples queued per channel. */
    int getNumReady();

    /** Any thread: the consumer discards everything queued before its next read. */
    void requestReset() noexcept { resetRequested.store (true, std::memory_order_release); }

    /** Consumer: carries out a pending reset; read and getNumReady call it themselves. */
    void discardIfResetRequested();

    int getCapacity() const noexcept { return fifo.getTotalSize(); }

private:
    juce::AbstractFifo fifo;
    juce::AudioSampleBuffer buffer;
    float overlap;
    std::atomic<bool> resetRequested { false };

    JUCE_DECLARE_NON_COPYABLE (OVEXSlidingWindowFifo)
};
