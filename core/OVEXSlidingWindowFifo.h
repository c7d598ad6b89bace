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

    /** Consumer: the same read without a copy. Hands the window's queued stretches, the older first,
        to use (buffer, start, size) while they are still held, then consumes as readWindow does.
        Returns the number of samples handed over. */
    template <typename UseStretch>
    int readWindowInPlace (int n, UseStretch&& use)
    {
        discardIfResetRequested();

        int start1, size1, start2, size2;
        fifo.prepareToRead (juce::jmax (0, n), start1, size1, start2, size2);

        if (size1 > 0)
            use (static_cast<const juce::AudioSampleBuffer&> (buffer), start1, size1);

        if (size2 > 0)
            use (static_cast<const juce::AudioSampleBuffer&> (buffer), start2, size2);

        const int handedOver = size1 + size2;
        fifo.finishedRead (hopAfter (handedOver));
        return handedOver;
    }

    /** Consumer: the number of samples queued per channel. */
    int getNumReady();

    /** Any thread: the consumer discards everything queued before its next read. */
    void requestReset() noexcept { resetRequested.store (true, std::memory_order_release); }

    /** Consumer: carries out a pending reset; read and getNumReady call it themselves. */
    void discardIfResetRequested();

    int getCapacity() const noexcept { return fifo.getTotalSize(); }

private:
    /** The samples a read of this many consumes: the part that does not overlap the next window. */
    int hopAfter (int samplesRead) const noexcept;

    juce::AbstractFifo fifo;
    juce::AudioSampleBuffer buffer;
    float overlap;
    std::atomic<bool> resetRequested { false };

    JUCE_DECLARE_NON_COPYABLE (OVEXSlidingWindowFifo)
};
