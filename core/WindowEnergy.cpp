#include "WindowEnergy.h"

#include <cstring>
#include <limits>

namespace
{
using Double2 = double __attribute__ ((vector_size (2 * sizeof (double))));
using Double4 = double __attribute__ ((vector_size (4 * sizeof (double))));
using Sums = double (*)[WindowEnergy::maximumOpenWindows];

template <typename Doubles>
constexpr int widthOf = (int) (sizeof (Doubles) / sizeof (double));

/** Adds each sample's square to all lanes of its channel: the lanes of open windows take it, the
    others are cleared when their window opens. ChannelsAtOnce of the six run side by side, so that
    their additions overlap in the pipeline while their lanes stay in registers. */
template <typename Doubles, int NumVectors, int ChannelsAtOnce>
NOLV_KERNEL_BODY void addSquares (const float* const* channels, int numSamples, Sums sums)
{
    constexpr int width = widthOf<Doubles>;

    for (int first = 0; first < 6; first += ChannelsAtOnce)
    {
        Doubles lanes[ChannelsAtOnce][NumVectors];

        for (int c = 0; c < ChannelsAtOnce; ++c)
            for (int v = 0; v < NumVectors; ++v)
                std::memcpy (&lanes[c][v], sums[first + c] + width * v, sizeof (Doubles));

        for (int i = 0; i < numSamples; ++i)
        {
            for (int c = 0; c < ChannelsAtOnce; ++c)
            {
                const float sample = channels[first + c][i];
                const double square = sample * sample;

                // Each way gives the compiler's one-instruction broadcast for its width.
                if constexpr (width == 2)
                {
                    const Doubles squares { square, square };

                    for (int v = 0; v < NumVectors; ++v)
                        lanes[c][v] += squares;
                }
                else
                {
                    for (int v = 0; v < NumVectors; ++v)
                        lanes[c][v] += square;
                }
            }
        }

        for (int c = 0; c < ChannelsAtOnce; ++c)
            for (int v = 0; v < NumVectors; ++v)
                std::memcpy (sums[first + c] + width * v, &lanes[c][v], sizeof (Doubles));
    }
}

// 128-bit lanes, three channels at a time, in the portable build; 256-bit lanes, all six at once, with AVX2.
void addSquaresPortable (int numLanes, const float* const* channels, int numSamples, Sums sums)
{
    switch ((numLanes + 1) / 2)
    {
        case 1:  addSquares<Double2, 1, 3> (channels, numSamples, sums); break;
        case 2:  addSquares<Double2, 2, 3> (channels, numSamples, sums); break;
        case 3:  addSquares<Double2, 3, 3> (channels, numSamples, sums); break;
        default: addSquares<Double2, 4, 3> (channels, numSamples, sums); break;
    }
}

#if NOLV_HAS_AVX2_KERNELS
NOLV_AVX2_FUNCTION void addSquaresAvx2 (int numLanes, const float* const* channels, int numSamples, Sums sums)
{
    if (numLanes <= 4)
        addSquares<Double4, 1, 6> (channels, numSamples, sums);
    else
        addSquares<Double4, 2, 6> (channels, numSamples, sums);
}
#endif

int windowsOverlappingOne (int windowLength, int hop)
{
    return hop > 0 ? (windowLength + hop - 1) / hop : std::numeric_limits<int>::max();
}
} // namespace

WindowEnergy::WindowEnergy (OVEXSlidingWindowFifo& source, int length)
    : fifo (source),
      windowLength (length),
      hop (source.hopAfter (length)),
      overlapping (windowsOverlappingOne (length, hop) <= maximumOpenWindows),
      numLanes (overlapping ? windowsOverlappingOne (length, hop) : 1),
      discardsSeen (source.getDiscardCount())
{
    jassert (source.getNumChannels() == 6);
    restart();
}

void WindowEnergy::restart() noexcept
{
    summedAhead = 0;
    nextToOpen = nextWindow;
    open (nextToOpen++);
    nextOpening = overlapping ? hop : std::numeric_limits<int>::max();
}

void WindowEnergy::open (juce::int64 window) noexcept
{
    const auto lane = (size_t) (window % numLanes);

    for (auto& channel : sums)
        channel[lane] = 0.0;
}

void WindowEnergy::accumulate (const juce::AudioSampleBuffer& source, int start, int numSamples) noexcept
{
    const float* channels[6];

    for (int c = 0; c < 6; ++c)
        channels[c] = source.getReadPointer (c, start);

#if NOLV_HAS_AVX2_KERNELS
    if (kernels == KernelSet::avx2)
        addSquaresAvx2 (numLanes, channels, numSamples, sums);
    else
#endif
        addSquaresPortable (numLanes, channels, numSamples, sums);
}

std::array<double, 6> WindowEnergy::readNext()
{
    fifo.discardIfResetRequested();

    if (fifo.getDiscardCount() != discardsSeen)
    {
        discardsSeen = fifo.getDiscardCount();
        restart();
    }

    int position = summedAhead; // in the window being read

    const int inWindow = fifo.readWindowInPlaceFrom (windowLength, summedAhead, [&] (const juce::AudioSampleBuffer& source, int start, int size)
    {
        for (int done = 0; done < size;)
        {
            // A window that starts here takes this sample as its first.
            if (position == nextOpening)
            {
                open (nextToOpen++);
                nextOpening += hop;
                continue;
            }

            const int run = juce::jmin (size - done, nextOpening - position);
            accumulate (source, start + done, run);
            done += run;
            position += run;
        }
    });

    std::array<double, 6> result;
    const auto lane = (size_t) (nextWindow % numLanes);

    for (size_t c = 0; c < 6; ++c)
        result[c] = sums[c][lane];

    ++nextWindow;

    // A short window (the queue was reset meanwhile) consumed less than a hop, and the windows that
    // follow start where the queue now stands.
    if (inWindow < windowLength || ! overlapping)
    {
        restart();
    }
    else
    {
        summedAhead = windowLength - hop;
        nextOpening -= hop;
    }

    return result;
}
