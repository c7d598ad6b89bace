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
        use reads only samples (getReadPointer, getSample): the buffer's clear flag, which its
        other calls read, is the producer's. Returns the number of samples handed over. */
    template <typename UseStretch>
    int readWindowInPlace (int n, UseStretch&& use)
    {
        discardIfResetRequested();
        return readWindowInPlaceFrom (n, 0, use);
    }

    /** Consumer: as readWindowInPlace, but hands over only the window's samples from the given one on
        (the caller saw the earlier ones in an earlier window) and leaves a pending reset to the caller.
        Returns the number of samples in the window, handed over or not. */
    template <typename UseStretch>
    int readWindowInPlaceFrom (int n, int from, UseStretch&& use)
    {
        int start1, size1, start2, size2;
        fifo.prepareToRead (juce::jmax (0, n), start1, size1, start2, size2);
        const int skip1 = juce::jlimit (0, size1, from), skip2 = juce::jlimit (0, size2, from - size1);

        if (size1 > skip1)
            use (static_cast<const juce::AudioSampleBuffer&> (buffer), start1 + skip1, size1 - skip1);

        if (size2 > skip2)
            use (static_cast<const juce::AudioSampleBuffer&> (buffer), start2 + skip2, size2 - skip2);

        const int inWindow = size1 + size2;
        fifo.finishedRead (hopAfter (inWindow));
        return inWindow;
    }

    /** The samples a read of this many consumes: the part that does not overlap the next window. */
    int hopAfter (int samplesRead) const noexcept;

    /** Consumer: the number of samples queued per channel. */
    int getNumReady();

    /** Any thread: the consumer discards everything queued before its next read. */
    void requestReset() noexcept { resetRequested.store (true, std::memory_order_release); }

    /** Consumer: carries out a pending reset; readWindow and getNumReady call it themselves. */
    void discardIfResetRequested();

    /** Consumer: how many resets it has carried out; a change means that the queue started afresh. */
    juce::uint32 getDiscardCount() const noexcept { return discards; }

    int getNumChannels() const noexcept { return buffer.getNumChannels(); }

private:
    juce::AbstractFifo fifo;
    juce::AudioSampleBuffer buffer;
    float overlap;
    std::atomic<bool> resetRequested { false };
    juce::uint32 discards = 0;

    JUCE_DECLARE_NON_COPYABLE (OVEXSlidingWindowFifo)
};
