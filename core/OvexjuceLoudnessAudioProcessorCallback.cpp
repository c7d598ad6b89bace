#include "OvexjuceLoudnessAudioProcessor.h"

#include "LevelHelpers.h"

#include <algorithm>
#include <cmath>

// The audio callback and what it updates, on the audio thread; prepare and release on the thread
// that starts and stops the device.

namespace
{
/** runFlag truncated to an integer is non-zero; NaN counts as running. */
bool truncatesToNonZero (float value)
{
    return std::isnan (value) || std::abs (value) >= 1.0f;
}

bool isOverload (float level)
{
    return std::isinf (level) && level > 0.0f;
}
} // namespace

//==============================================================================
EditorRefreshControl* OvexjuceLoudnessAudioProcessor::refreshControl()
{
    return dynamic_cast<EditorRefreshControl*> (getActiveEditor());
}

void OvexjuceLoudnessAudioProcessor::prepareToPlay (double newSampleRate, int newBlockSize)
{
    const std::lock_guard<std::mutex> lock (preparationLock);
    prepared.store (false, std::memory_order_release);

    sampleRate = newSampleRate;
    blockSize = newBlockSize;

    loudnessModule.prepare (newBlockSize, newSampleRate);
    truePeakMeter.setSampleRate (newBlockSize, newSampleRate);

    // Sized here so that the audio callback never allocates.
    const int maxBlock = juce::jmax (1, newBlockSize);
    routedBuffer.setSize (6, maxBlock, false, false, true);
    preparedBlockSize = maxBlock;
    passThroughBuffer.setSize (juce::jmax (6, getTotalNumInputChannels(), getTotalNumOutputChannels()), maxBlock,
                               false, false, true);

    if (auto* editor = refreshControl())
        editor->startRefresh (editorRefreshIntervalMs);

    loudnessThread.addTimeSliceClient (&loudnessModule, 0);

    carryOutRequests();
    publishedMeters.publish (meters);
    prepared.store (true, std::memory_order_release);
}

void OvexjuceLoudnessAudioProcessor::releaseResources()
{
    // Under the lock throughout: a device stopped by its own thread (a JACK server that died) may
    // release while the message thread carries out a RESET. Neither the timer's lock that
    // stopRefresh takes nor the loudness thread's locks are ever held by anyone waiting for this one.
    const std::lock_guard<std::mutex> lock (preparationLock);
    prepared.store (false, std::memory_order_release);

    loudnessModule.releaseResources();
    truePeakMeter.releaseResources();

    if (auto* editor = refreshControl())
        editor->stopRefresh();

    loudnessThread.removeTimeSliceClient (&loudnessModule);
    loudnessModule.discardUntakenValues();

    // A RESET or alarm clearing asked for since the last block shows now, not at the next start.
    carryOutRequests();
    publishedMeters.publish (meters);
}

void OvexjuceLoudnessAudioProcessor::processBlock (juce::AudioSampleBuffer& buffer, juce::MidiBuffer&)
{
    const int n = buffer.getNumSamples();
    beginBlock();
    blockSize = n;
    followRunState (n);

    // A live device may deliver a longer block than it was prepared for (the framework's JACK
    // device hears of no buffer-size change): such a block is measured in pieces of the prepared
    // length, so that nothing here ever allocates.
    if (n <= preparedBlockSize || preparedBlockSize == 0)
    {
        measureBlock (buffer);
    }
    else
    {
        for (int start = 0; start < n; start += preparedBlockSize)
        {
            juce::AudioSampleBuffer piece (buffer.getArrayOfWritePointers(), buffer.getNumChannels(), start,
                                           juce::jmin (preparedBlockSize, n - start));
            measureBlock (piece);
        }
    }

    endBlock();
}

void OvexjuceLoudnessAudioProcessor::beginBlock()
{
    // The report first: a RESET requested before a report started is then carried out before this
    // block gives that report anything.
    reportSession.beginBlock();

    for (size_t i = 0; i < blockParameters.size(); ++i)
        blockParameters[i] = sharedParameters[i].load (std::memory_order_relaxed);

    blockInputRouting = unpackRouting (sharedInputRouting.load (std::memory_order_relaxed));
    blockOutputRouting = unpackRouting (sharedOutputRouting.load (std::memory_order_relaxed));
    carryOutRequests();
}

void OvexjuceLoudnessAudioProcessor::endBlock()
{
    publishedMeters.publish (meters);
    reportSession.endBlock();
}

void OvexjuceLoudnessAudioProcessor::followRunState (int n)
{
    // With the framework's processor player there is always a play head whose position advances
    // every block, so following the transport means running while the device plays.
    transportMoving = false;
    {
        juce::AudioPlayHead::CurrentPositionInfo position;
        JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE ("-Wdeprecated-declarations")
        auto* currentPlayHead = getPlayHead();

        if (currentPlayHead != nullptr && currentPlayHead->getCurrentPosition (position))
        {
            transportMoving = position != lastPosInfo;
            lastPosInfo = position;
        }
        else
        {
            lastPosInfo.resetToDefault();
        }
        JUCE_END_IGNORE_WARNINGS_GCC_LIKE
    }

    const float runFlag = blockParameters[runFlagIndex];
    const bool following = isNonZeroAfterRounding (blockParameters[followTransportFlagIndex]);
    loudnessModule.setRunning (following ? transportMoving : truncatesToNonZero (runFlag));

    if (following ? transportMoving : isNonZero (runFlag))
        meters.processedSamples += n;

    if (isNonZeroAfterRounding (blockParameters[gatingOffFlagIndex]))
        loudnessModule.disableGating();
    else
        loudnessModule.enableGating();
}

void OvexjuceLoudnessAudioProcessor::measureBlock (juce::AudioSampleBuffer& block)
{
    routeInputs (block);

    if (isNonZero (blockParameters[stereoMixdownFlagIndex]))
        downmixer.process (routedBuffer);

    loudnessModule.pushBlock (routedBuffer);
    vectorscopeSource.pushBlock (routedBuffer);
    takeNewLoudnessValues();
    measureTruePeaks();
    passThrough (block);
    updateSoundField();
    updateCorrelations();
}

void OvexjuceLoudnessAudioProcessor::routeInputs (const juce::AudioSampleBuffer& block)
{
    const int n = block.getNumSamples();
    const int numInputChannels = juce::jmin (getTotalNumInputChannels(), block.getNumChannels());
    routedBuffer.setSize (6, n, false, false, true);
    routedBuffer.clear();

    for (int c = 0; c < numInputChannels; ++c)
        for (int r = 0; r < 6; ++r)
            if (blockInputRouting[(size_t) r] == c)
                routedBuffer.copyFrom (r, 0, block, c, 0, n);
}

void OvexjuceLoudnessAudioProcessor::takeNewLoudnessValues()
{
    loudnessModule.takeNewValues ([this] (const LoudnessValue& value)
    {
        if (value.kind == LoudnessValue::momentary)
        {
            updateMomentary (value.level);
            meters.integratedLevel = roundToTenth (value.integrated);
            channelMomentary = value.channelMomentary;
        }
        else
        {
            updateShortTerm (value.level);
            meters.loudnessRange = roundToTenth (value.loudnessRange);
            updateRangeBars (value.loudnessRangeLow, value.loudnessRangeHigh);
        }
    });
}

void OvexjuceLoudnessAudioProcessor::measureTruePeaks()
{
    truePeakMeter.processBlock (routedBuffer);
    truePeakMeter.getSnapshot (truePeakResult);
    updateTruePeaks (truePeakResult.levels.data(), 6);

    // The sound field starts at the bottom of the scale, and an overload stands at its top.
    for (auto& level : truePeakResult.levels)
        level = isOverload (level) ? truePeakScale.highLevel : std::max (truePeakScale.lowLevel, level);
}

void OvexjuceLoudnessAudioProcessor::passThrough (juce::AudioSampleBuffer& block)
{
    const int n = block.getNumSamples();

    // Channels beyond those prepared for are never routed; they stay silent.
    const int numChannels = juce::jmin (block.getNumChannels(), passThroughBuffer.getNumChannels());

    if (n == 0 || numChannels == 0)
        return;

    for (int c = 0; c < numChannels; ++c)
        passThroughBuffer.clear (c, 0, n);

    for (size_t r = 0; r < 6; ++r)
    {
        const int in = blockInputRouting[r];
        const int out = blockOutputRouting[r];

        if (in >= 0 && out >= 0 && in < numChannels && out < numChannels)
            passThroughBuffer.copyFrom (out, 0, block, in, 0, n);
    }

    for (int c = 0; c < block.getNumChannels(); ++c)
    {
        if (c < numChannels)
            block.copyFrom (c, 0, passThroughBuffer, c, 0, n);
        else
            block.clear (c, 0, n);
    }
}

void OvexjuceLoudnessAudioProcessor::updateSoundField()
{
    const bool byLoudness = isNonZero (blockParameters[vectroscopeInputDataFlagIndex]);
    const auto& scale = byLoudness ? loudnessScale (blockParameters[measurementStandardIndex], blockParameters[measurementScaleIndex])
                                   : truePeakScale;
    const auto& levels = byLoudness ? channelMomentary : truePeakResult.levels;

    for (size_t c = 0; c < 6; ++c)
        meters.soundFieldLevel[c] = scale.fraction (levels[c]);
}

void OvexjuceLoudnessAudioProcessor::updateCorrelations()
{
    const int n = routedBuffer.getNumSamples();

    if (n == 0)
    {
        meters.correlation.fill (1.0f);
        return;
    }

    const auto correlations = ChannelCorrelations::measure (routedBuffer.getArrayOfReadPointers(), n);

    for (size_t i = 0; i < correlations.size(); ++i)
    {
        // Infinite input makes no correlation: the last finite one stays, as loudness values do.
        if (std::isfinite (correlations[i]))
            meters.correlation[i] = correlations[i];
    }
}

float OvexjuceLoudnessAudioProcessor::computeCorrelation (const juce::AudioSampleBuffer& buffer)
{
    if (buffer.getNumChannels() < 2)
        return 1.0f;

    // The first pair of the six is the first channel with the second; the rest only repeat the first.
    const float* x = buffer.getReadPointer (0);
    const float* const channels[6] = { x, buffer.getReadPointer (1), x, x, x, x };
    return ChannelCorrelations::measure (channels, buffer.getNumSamples())[0];
}

//==============================================================================
/** RESET and alarm clearing, in the callback's own state. Both leave the meters as a later one
    would, so carrying out what piled up in one go keeps the order in which they were made. */
void OvexjuceLoudnessAudioProcessor::carryOutRequests()
{
    if (const auto resets = resetRequests.load (std::memory_order_acquire); resets != resetsCarriedOut)
    {
        resetsCarriedOut = resets;
        meters = MeterSnapshot {};
        reportSession.resetMaxima();
        loudnessModule.resetAll();

        // The interpolator's last samples would otherwise carry the passage before RESET into
        // the first true peak after it.
        truePeakMeter.resetHistory();
    }

    if (const auto clears = alarmClearRequests.load (std::memory_order_acquire); clears != alarmClearsCarriedOut)
    {
        alarmClearsCarriedOut = clears;
        meters.truePeakAlarm = 0;
        meters.channelAlarm.fill (0);
    }
}

/** The loudness bar pixel under the parameters of the block being processed. */
int OvexjuceLoudnessAudioProcessor::blockPixel (float level) const
{
    return loudnessScale (blockParameters[measurementStandardIndex], blockParameters[measurementScaleIndex])
        .pixel (roundToTenth (level), loudnessBarPixels);
}

void OvexjuceLoudnessAudioProcessor::updateMomentary (float momentary)
{
    meters.momentaryFraction = (float) blockPixel (momentary) / (float) loudnessBarPixels;
    meters.momentaryLevel = momentary;
    reportSession.updateMaxMomentary (momentary, ReportSession::unitFor (blockParameters[measurementStandardIndex]));
}

void OvexjuceLoudnessAudioProcessor::updateShortTerm (float shortTerm)
{
    meters.shortTermLevel = shortTerm;
    meters.shortTermFraction = (float) blockPixel (shortTerm) / (float) loudnessBarPixels;
    reportSession.updateMaxShortTerm (shortTerm, ReportSession::unitFor (blockParameters[measurementStandardIndex]));
}

void OvexjuceLoudnessAudioProcessor::updateRangeBars (float low, float high)
{
    meters.rangeLowFraction = (float) blockPixel (low) / (float) loudnessBarPixels;
    meters.rangeHighFraction = (float) blockPixel (high) / (float) loudnessBarPixels;
}

void OvexjuceLoudnessAudioProcessor::updateTruePeaks (const float* levels, int count)
{
    for (int c = 0; c < 6; ++c)
    {
        const float level = c < count ? levels[c] : truePeakScale.lowLevel;

        // An infinite sample is an overload: the bar full, the alarm on, the scale's top held.
        if (isOverload (level))
        {
            updateChannelTruePeak (c, truePeakScale.highLevel);
            meters.channelAlarm[(size_t) c] = 1;
            meters.truePeakAlarm = 1;
        }
        else
        {
            updateChannelTruePeak (c, roundToTenth (level));
        }
    }

    reportSession.updateMaxTruePeak (*std::max_element (meters.heldTruePeak.begin(), meters.heldTruePeak.end()));
}

int OvexjuceLoudnessAudioProcessor::updateChannelTruePeak (int channel, float level)
{
    const auto c = (size_t) channel;

    if (level > blockParameters[truePeakMaxLevelIndex])
    {
        meters.channelAlarm[c] = 1;
        meters.truePeakAlarm = 1;
    }

    if (level > meters.heldTruePeak[c])
        meters.heldTruePeak[c] = level;

    const int pixel = truePeakScale.pixel (level, truePeakBarPixels);
    meters.truePeakFraction[c] = (float) pixel / (float) truePeakBarPixels;
    return pixel;
}
