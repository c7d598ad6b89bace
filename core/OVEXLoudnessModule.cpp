#include "OVEXLoudnessModule.h"

#include "KWeighting.h"
#include "LevelHelpers.h"

#include <algorithm>
#include <cmath>
#include <limits>

OVEXLoudnessModule::OVEXLoudnessModule (bool isThreaded) : threaded (isThreaded)
{
}

OVEXLoudnessModule::~OVEXLoudnessModule() = default;

void OVEXLoudnessModule::prepare (int blockSize, double newSampleRate)
{
    if (newSampleRate != sampleRate)
    {
        sampleRate = newSampleRate;
        setFilterCoefficients();
        rebuildWindows();
    }

    inputCopy.setSize (6, juce::jmax (1, blockSize), false, false, true);
}

void OVEXLoudnessModule::setFilterCoefficients()
{
    filters.setCoefficients (KWeighting::forSampleRate (sampleRate));
}

void OVEXLoudnessModule::rebuildWindows()
{
    momentaryLength = juce::jmax (1, (int) std::floor (0.4f * (float) sampleRate));
    shortTermLength = juce::jmax (1, (int) std::floor ((float) sampleRate * 3.0f));

    momentaryEnergy.reset();
    shortTermEnergy.reset();
    momentaryFifo.reset();
    shortTermFifo.reset();
    momentaryFifo = std::make_unique<OVEXSlidingWindowFifo> (6, 4 * momentaryLength, 0.75f);
    shortTermFifo = std::make_unique<OVEXSlidingWindowFifo> (6, 4 * shortTermLength, 0.8f);
    momentaryEnergy = std::make_unique<WindowEnergy> (*momentaryFifo, momentaryLength);
    shortTermEnergy = std::make_unique<WindowEnergy> (*shortTermFifo, shortTermLength);
}

void OVEXLoudnessModule::pushBlock (const juce::AudioSampleBuffer& block)
{
    if (momentaryFifo == nullptr)
        return;

    const int numChannels = juce::jmin (block.getNumChannels(), 6);
    const int numSamples = block.getNumSamples();

    if (inputCopy.getNumChannels() != numChannels || inputCopy.getNumSamples() != numSamples)
        inputCopy.setSize (numChannels, numSamples, false, false, true);

    filterChannels (block);

    if (! threaded)
        computeLoudness();
}

void OVEXLoudnessModule::filterChannels (const juce::AudioSampleBuffer& block)
{
    if (filterResetRequested.exchange (false, std::memory_order_acq_rel))
        filters.reset();

    const int numChannels = inputCopy.getNumChannels();
    numChannelsPushed.store (numChannels, std::memory_order_relaxed);
    filters.process (block.getArrayOfReadPointers(), inputCopy.getArrayOfWritePointers(), numChannels,
                     inputCopy.getNumSamples());

    // Unthreaded, this thread is also the consumer: a pending reset must not swallow this block.
    if (! threaded)
    {
        momentaryFifo->discardIfResetRequested();
        shortTermFifo->discardIfResetRequested();
    }

    momentaryFifo->write (inputCopy);
    shortTermFifo->write (inputCopy);
}

int OVEXLoudnessModule::useTimeSlice()
{
    computeLoudness();
    return 50;
}

void OVEXLoudnessModule::carryOutRequestedReset()
{
    const auto generation = resetGeneration.load (std::memory_order_acquire);

    if (generation == carriedOutGeneration)
        return;

    carriedOutGeneration = generation;
    integratedHistogram.clear();
    rangeHistogram.clear();
    result = LoudnessResult {};
}

void OVEXLoudnessModule::publish (const LoudnessValue& value)
{
    int start1, size1, start2, size2;
    values.prepareToWrite (1, start1, size1, start2, size2);

    if (size1 + size2 == 0)
        return;

    auto& slot = valueSlots[(size_t) (size1 > 0 ? start1 : start2)];
    slot = value;
    slot.resetGeneration = carriedOutGeneration;
    values.finishedWrite (1);
}

bool OVEXLoudnessModule::weightedLoudness (const std::array<double, 6>& sumsOfSquares, int windowLength, int numChannels,
                                           float& loudness, float* perChannel) const
{
    float sum = 0.0f;

    for (int c = 0; c < numChannels; ++c)
    {
        const auto rms = (float) std::sqrt (sumsOfSquares[(size_t) c] / windowLength);
        const float z = rms * rms * channelWeights[(size_t) c];
        sum += z;

        if (perChannel != nullptr)
            perChannel[c] = 10.0f * std::log10 (z);
    }

    if (! std::isfinite (sum))
        return false;

    float level = std::max (noLoudnessValue, 10.0f * std::log10 (sum) - 0.691f);
    loudness = level > 0.0f ? 0.0f : std::floor (10.0f * level + 0.5f) / 10.0f;
    return true;
}

void OVEXLoudnessModule::computeLoudness()
{
    if (momentaryFifo == nullptr)
        return;

    carryOutRequestedReset();

    const int numChannels = juce::jmin (numChannelsPushed.load (std::memory_order_relaxed), 6);
    bool windowWasNotFinite = false;

    if (momentaryFifo->getNumReady() >= momentaryLength)
    {
        const auto energy = momentaryEnergy->readNext();
        LoudnessValue value;
        value.channelMomentary.fill (-std::numeric_limits<float>::infinity());

        if (weightedLoudness (energy, momentaryLength, numChannels, value.level, value.channelMomentary.data()))
        {
            result.momentary = value.level;

            if (isRunning())
            {
                integratedHistogram.addValue (value.level);
                result.integrated = integratedHistogram.getIntegratedLoudness();
            }

            value.integrated = result.integrated;
            publish (value);
        }
        else
        {
            windowWasNotFinite = true;
        }
    }

    if (shortTermFifo->getNumReady() >= shortTermLength)
    {
        const auto energy = shortTermEnergy->readNext();
        LoudnessValue value;
        value.kind = LoudnessValue::shortTerm;

        if (weightedLoudness (energy, shortTermLength, numChannels, value.level, nullptr))
        {
            result.shortTerm = value.level;

            if (isRunning())
            {
                rangeHistogram.addValue (value.level);
                const auto range = rangeHistogram.getLoudnessRange();
                result.loudnessRange = range.range;
                result.loudnessRangeLow = range.low;
                result.loudnessRangeHigh = range.high;
            }

            value.loudnessRange = result.loudnessRange;
            value.loudnessRangeLow = result.loudnessRangeLow;
            value.loudnessRangeHigh = result.loudnessRangeHigh;
            publish (value);
        }
        else
        {
            windowWasNotFinite = true;
        }
    }

    // A non-finite sample would otherwise stay in the filter states for good and silence the meter.
    if (windowWasNotFinite)
    {
        resetFilters();
        resetFifos();
    }
}

void OVEXLoudnessModule::getSnapshot (LoudnessResult& destination) const
{
    destination = result;
}

void OVEXLoudnessModule::resetFifos()
{
    if (momentaryFifo != nullptr)
        momentaryFifo->requestReset();

    if (shortTermFifo != nullptr)
        shortTermFifo->requestReset();
}

void OVEXLoudnessModule::resetFilters()
{
    // The filter bank reads and writes the states without the filters' own lock, so only the audio
    // thread touches them: it carries the reset out before it filters again.
    filterResetRequested.store (true, std::memory_order_release);
}

void OVEXLoudnessModule::resetAll()
{
    resetFifos();
    resetFilters();
    resetGeneration.fetch_add (1, std::memory_order_acq_rel);
}

void OVEXLoudnessModule::setRunning (bool shouldRun)
{
    if (shouldRun != isRunning())
    {
        resetFifos();
        resetFilters();
    }

    running.store (shouldRun, std::memory_order_relaxed);
}

void OVEXLoudnessModule::enableGating()
{
    integratedHistogram.setGating (true);
    rangeHistogram.setGating (true);
}

void OVEXLoudnessModule::disableGating()
{
    integratedHistogram.setGating (false);
    rangeHistogram.setGating (false);
}
