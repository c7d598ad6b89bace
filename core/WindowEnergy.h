#pragma once

#include "KernelSet.h"
#include "OVEXSlidingWindowFifo.h"

#include <array>

/** The sums of squares of six channels over each of the overlapping windows that a sliding-window
    FIFO hands out one after another. Each window's sums start from zero at its first sample and add
    its samples in order, the squares in single precision summed in double, exactly as summing the
    window on its own does; but each sample is read once, when the first window that holds it is
    read, and added to every open window at once, so that the sums of up to eight overlapping windows
    advance side by side. A reset of the FIFO starts the windows afresh. Used by the FIFO's consumer
    only. */
class WindowEnergy
{
public:
    static constexpr int maximumOpenWindows = 8;

    /** The FIFO has six channels and outlives this object. */
    WindowEnergy (OVEXSlidingWindowFifo& fifo, int windowLength);

    /** Reads the next window (consuming the FIFO's hop) and gives its sums, channel by channel. The
        FIFO should hold the whole window; a shorter one is summed over what it holds. */
    std::array<double, 6> readNext();

private:
    void restart() noexcept;
    void open (juce::int64 window) noexcept;
    void accumulate (const juce::AudioSampleBuffer& source, int start, int numSamples) noexcept;

    OVEXSlidingWindowFifo& fifo;
    const int windowLength, hop;

    // Windows that overlap by more than the lanes hold are each summed alone.
    const bool overlapping;
    const int numLanes;

    juce::uint32 discardsSeen;
    juce::int64 nextWindow = 0, nextToOpen = 0; // window numbers; window w keeps its sums in lane w % numLanes
    int summedAhead = 0; // samples at the start of the next window that every open window has taken
    int nextOpening = 0; // where window nextToOpen starts, counted from the start of the next window
    alignas (32) double sums[6][maximumOpenWindows] {};
    const KernelSet kernels = chosenKernelSet();

    JUCE_DECLARE_NON_COPYABLE (WindowEnergy)
};
