#include "OvexjuceLoudnessAudioProcessor.h"

#include "DefaultLogLocations.h"
#include "LevelHelpers.h"
#include "OVEXReportLogger.h"
#include "RemotePort.h"

#include <algorithm>
#include <cmath>
#include <iostream>
#include <limits>
#include <locale>
#include <sstream>

namespace
{
constexpr juce::uint32 stateMagic = 0x21324356;
constexpr int reportPollIntervalMs = 500;

const char* const stateTag = "MYPLUGINSETTINGS";

// Built once, so that passing a unit from the audio thread only copies a reference.
const juce::String& unitLUFS() { static const juce::String text ("LUFS"); return text; }
const juce::String& unitLKFS() { static const juce::String text ("LKFS"); return text; }
const juce::String& unitLU() { static const juce::String text ("LU"); return text; }
const juce::String& unitDBTP() { static const juce::String text ("dBTP"); return text; }

/** The value as a double in general notation with 20 significant digits: -1 gives "-1",
    0.1f gives "0.10000000149011611938". */
juce::String formatStateNumber (float value)
{
    std::ostringstream text;
    text.imbue (std::locale::classic());
    text.precision (20);
    text << (double) value;
    return juce::String (text.str());
}

/** runFlag truncated to an integer is non-zero; NaN counts as running. */
bool truncatesToNonZero (float value)
{
    return std::isnan (value) || std::abs (value) >= 1.0f;
}

/** The framework's XML parser recurses once per nested element, so a stored state nesting tens of
    thousands of them would overflow the stack at every start. A state is one element with no
    children, far below maximumStateBytes; anything else counts as no state at all. */
constexpr int maximumStateBytes = 64 * 1024;

bool nestsDeeperThanOneElement (const char* text, size_t length)
{
    int depth = 0;
    bool inTag = false;
    char quote = 0;

    for (size_t i = 0; i < length; ++i)
    {
        const char c = text[i];

        if (quote != 0)
        {
            quote = c == quote ? 0 : quote;
        }
        else if (inTag)
        {
            if (c == '"' || c == '\'')
                quote = c;
            else if (c == '>')
                inTag = false, depth -= (i > 0 && text[i - 1] == '/') ? 1 : 0;
        }
        else if (c == '<')
        {
            inTag = true;
            const char next = i + 1 < length ? text[i + 1] : 0;

            if (next == '/')
                --depth;
            else if (next != '?' && next != '!' && ++depth > 1)
                return true;
        }
    }

    return false;
}

bool isPlausibleState (const void* data, int sizeInBytes)
{
    if (sizeInBytes > maximumStateBytes)
        return false;

    if (sizeInBytes < 8)
        return true; // the envelope's own checks turn it down

    const auto* bytes = static_cast<const char*> (data);
    const auto textLength = (size_t) juce::jlimit (0, sizeInBytes - 8, (int) juce::ByteOrder::littleEndianInt (bytes + 4));
    return ! nestsDeeperThanOneElement (bytes + 8, textLength);
}

bool isOverload (float level)
{
    return std::isinf (level) && level > 0.0f;
}
} // namespace

OvexjuceLoudnessAudioProcessor* createPluginFilter (juce::AudioDeviceManager* deviceManager)
{
    return new OvexjuceLoudnessAudioProcessor (deviceManager);
}

OvexjuceLoudnessAudioProcessor::OvexjuceLoudnessAudioProcessor (juce::AudioDeviceManager* manager)
    : deviceManager (manager)
{
    unitLUFS(), unitLKFS(), unitLU(), unitDBTP();
    setDefaultParameters();
    loudnessThread.startThread();
}

OvexjuceLoudnessAudioProcessor::~OvexjuceLoudnessAudioProcessor()
{
    reportPoll.stopTimer();
    finishReport();

    // One last try for reports still unfinished.
    finishingReports.clear();
    stopTimer();
    loudnessThread.stopThread (1000);
}

//==============================================================================
void OvexjuceLoudnessAudioProcessor::setDefaultParameters()
{
    params = ParameterBlock {};
    params.logFilePath = defaultLogFolder().getFullPathName();
    params.logFileName = defaultLogFileName;
}

void OvexjuceLoudnessAudioProcessor::setParameterValue (int index, float value)
{
    if (index == runFlagIndex)
    {
        params.runFlag = value;

        if (value == 0.0f)
            finishReport();
        else
            startReport();
    }
    else if (index == stereoStateIndex)
    {
        params.stereoState = value != 0.0f;
    }
    else
    {
        for (const auto& parameter : savedParameters)
            if (parameter.index == index)
                params.*parameter.field = value;
    }
}

void OvexjuceLoudnessAudioProcessor::setStringParameter (int index, const juce::String& text)
{
    if (index == logFilePathIndex)
        params.logFilePath = text;
    else if (index == logFileNameIndex)
        params.logFileName = text;
}

//==============================================================================
void OvexjuceLoudnessAudioProcessor::getStateInformation (juce::MemoryBlock& destination)
{
    juce::XmlElement xml (stateTag);

    for (const auto& parameter : savedParameters)
        xml.setAttribute (parameter.stateAttribute, formatStateNumber (params.*parameter.field));

    xml.setAttribute ("settingsInputLayout", layoutToText (inputLayout));
    xml.setAttribute ("settingsOutputLayout", layoutToText (outputLayout));
    xml.setAttribute ("logFilePath", params.logFilePath);
    xml.setAttribute ("logFileName", params.logFileName);

    // Written by hand: the framework's own envelope puts an XML header before the element.
    const auto text = xml.toString (juce::XmlElement::TextFormat().singleLine().withoutHeader());
    const auto numBytes = text.getNumBytesAsUTF8();

    juce::MemoryOutputStream out (destination, false);
    out.writeInt ((int) stateMagic);
    out.writeInt ((int) numBytes);
    out.write (text.toRawUTF8(), numBytes);
    out.writeByte (0);
}

void OvexjuceLoudnessAudioProcessor::setStateInformation (const void* data, int sizeInBytes)
{
    restoreState (data, sizeInBytes);
}

bool OvexjuceLoudnessAudioProcessor::restoreState (const void* data, int sizeInBytes)
{
    const auto xml = isPlausibleState (data, sizeInBytes) ? getXmlFromBinary (data, sizeInBytes) : nullptr;

    if (xml == nullptr)
    {
        setDefaultParameters();
        return false;
    }

    if (! xml->getTagName().equalsIgnoreCase (stateTag))
        return false;

    for (const auto& parameter : savedParameters)
        params.*parameter.field = (float) xml->getDoubleAttribute (parameter.stateAttribute, (double) (params.*parameter.field));

    // A state without a layout keeps the current one, as every other missing attribute does.
    if (xml->hasAttribute ("settingsInputLayout"))
        setInputLayout (layoutFromText (xml->getStringAttribute ("settingsInputLayout")));

    if (xml->hasAttribute ("settingsOutputLayout"))
        setOutputLayout (layoutFromText (xml->getStringAttribute ("settingsOutputLayout")));

    params.logFilePath = xml->getStringAttribute ("logFilePath", params.logFilePath);
    params.logFileName = xml->getStringAttribute ("logFileName", params.logFileName);

    return xml->hasAttribute ("settingsInputLayout") && xml->hasAttribute ("settingsOutputLayout");
}

//==============================================================================
void OvexjuceLoudnessAudioProcessor::setInputLayout (const ChannelLayout& layout)
{
    inputLayout = layout;
    const auto routing = deriveRouting (layout);

    // Entry by entry: the audio thread reads the table unlocked.
    for (size_t r = 0; r < routing.size(); ++r)
        inputRouting[r] = routing[r];
}

void OvexjuceLoudnessAudioProcessor::setOutputLayout (const ChannelLayout& layout)
{
    outputLayout = layout;
    const auto routing = deriveRouting (layout);

    for (size_t r = 0; r < routing.size(); ++r)
        outputRouting[r] = routing[r];
}

void OvexjuceLoudnessAudioProcessor::setDefaultInputRouting()
{
    for (int r = 0; r < 6; ++r)
        inputRouting[(size_t) r] = inputLayout[(size_t) r] = r;
}

void OvexjuceLoudnessAudioProcessor::setDefaultOutputRouting()
{
    for (int r = 0; r < 6; ++r)
        outputRouting[(size_t) r] = outputLayout[(size_t) r] = r;
}

//==============================================================================
const BarScale& OvexjuceLoudnessAudioProcessor::loudnessScale() const
{
    const float standard = std::nearbyint (params.measurementStandard);
    const float scale = std::nearbyint (params.measurementScale);

    if (standard == 0.0f)
        return scale == 1.0f ? ebu9Scale : ebu18Scale;

    if (scale == 1.0f)
        return atsc9Scale;

    return scale == 0.0f ? atsc18Scale : ebu18Scale;
}

int OvexjuceLoudnessAudioProcessor::valueToPixel (int isTruePeak, float level) const
{
    return isTruePeak != 0 ? truePeakScale.pixel (level, truePeakBarPixels)
                           : loudnessScale().pixel (level, loudnessBarPixels);
}

float OvexjuceLoudnessAudioProcessor::valueToFraction (int isTruePeak, float level) const
{
    return isTruePeak != 0 ? truePeakScale.fraction (level) : loudnessScale().fraction (level);
}

void OvexjuceLoudnessAudioProcessor::updateMomentary (float momentary)
{
    meters.momentaryFraction = (float) valueToPixel (0, roundToTenth (momentary)) / (float) loudnessBarPixels;
    meters.momentaryLevel = momentary;
    updateMaxMomentary();
}

void OvexjuceLoudnessAudioProcessor::updateShortTerm (float shortTerm)
{
    meters.shortTermLevel = shortTerm;
    meters.shortTermFraction = (float) valueToPixel (0, roundToTenth (shortTerm)) / (float) loudnessBarPixels;
    updateMaxShortTerm();
}

void OvexjuceLoudnessAudioProcessor::updateRangeBars (float low, float high)
{
    meters.rangeLowFraction = (float) valueToPixel (0, roundToTenth (low)) / (float) loudnessBarPixels;
    meters.rangeHighFraction = (float) valueToPixel (0, roundToTenth (high)) / (float) loudnessBarPixels;
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

    updateMaxTruePeak();
}

int OvexjuceLoudnessAudioProcessor::updateChannelTruePeak (int channel, float level)
{
    const auto c = (size_t) channel;

    if (level > params.truePeakMaxLevel)
    {
        meters.channelAlarm[c] = 1;
        meters.truePeakAlarm = 1;
    }

    if (level > meters.heldTruePeak[c])
        meters.heldTruePeak[c] = level;

    const int pixel = valueToPixel (1, level);
    meters.truePeakFraction[c] = (float) pixel / (float) truePeakBarPixels;
    return pixel;
}

void OvexjuceLoudnessAudioProcessor::copyMeterSnapshot (MeterSnapshot& destination) const
{
    destination = meters;
}

void OvexjuceLoudnessAudioProcessor::resetMeters()
{
    meters = MeterSnapshot {};

    {
        const juce::SpinLock::ScopedLockType lock (reportLock);
        maxMomentary = maxShortTerm = maxTruePeak = -70.0f;
    }

    loudnessModule.resetAll();
}

void OvexjuceLoudnessAudioProcessor::clearAlarms()
{
    meters.truePeakAlarm = 0;
    meters.channelAlarm.fill (0);
}

//==============================================================================
const juce::String& OvexjuceLoudnessAudioProcessor::loudnessUnit() const
{
    return params.measurementStandard == 0.0f ? unitLUFS() : unitLKFS();
}

juce::File OvexjuceLoudnessAudioProcessor::buildLogFile (juce::Time start) const
{
    return makeReportFile (params.logFilePath, params.logFileName, start);
}

void OvexjuceLoudnessAudioProcessor::startReport()
{
    // The open report is finished properly rather than dropped with empty end values.
    finishReport();

    reportStartTime = clock();
    const auto file = buildLogFile (reportStartTime);
    std::cout << file.getFullPathName() << std::flush;

    // Set up completely before the audio thread can reach it.
    auto logger = std::make_unique<OVEXReportLogger>();
    logger->setLogFile (file);
    logger->setTitle ("QIT51Log");
    logger->setStartTime (reportStartTime);

    {
        const juce::SpinLock::ScopedLockType lock (reportLock);
        maxMomentary = maxShortTerm = maxTruePeak = -70.0f;
        reportLogger = std::move (logger);
    }

    reportPoll.startTimer (reportPollIntervalMs);
}

void OvexjuceLoudnessAudioProcessor::finishReport()
{
    std::unique_ptr<OVEXReportLogger> logger;

    {
        const juce::SpinLock::ScopedLockType lock (reportLock);
        std::swap (logger, reportLogger);
    }

    if (logger == nullptr)
        return;

    const auto now = clock();
    logger->setStopTime (now);
    logger->setUpTime ((now - reportStartTime).inSeconds());
    logger->setIntegratedLoudness (loudnessUnit(), meters.integratedLevel);
    logger->setLoudnessRange (unitLU(), meters.loudnessRange);

    // The final writes happen here, outside the lock. A report that a full disk or a vanished folder
    // keeps from completing stays alive, its thread retrying, until its files hold everything.
    if (! logger->finish())
        finishingReports.push_back (std::move (logger));
}

void OvexjuceLoudnessAudioProcessor::updateMaxMomentary()
{
    const juce::SpinLock::ScopedLockType lock (reportLock);

    if (reportLogger == nullptr)
        return;

    const auto now = clock();
    reportLogger->logMomentary (now, roundToTenth (meters.momentaryLevel));

    if (meters.momentaryLevel > maxMomentary)
    {
        maxMomentary = roundToTenth (meters.momentaryLevel);
        maxMomentaryTime = now;
        reportLogger->setMaxMomentary (loudnessUnit(), maxMomentaryTime, maxMomentary);
    }

    // The rotation itself stops threads and opens files, so the message thread carries it out.
    if (now > reportStartTime + juce::RelativeTime::days (1.0))
        rotationDue.store (true, std::memory_order_release);
}

void OvexjuceLoudnessAudioProcessor::pollReports()
{
    if (rotationDue.exchange (false, std::memory_order_acq_rel))
        rotateReportIfDue();

    finishingReports.erase (std::remove_if (finishingReports.begin(), finishingReports.end(),
                                            [] (const auto& logger) { return logger->isFinished(); }),
                            finishingReports.end());

    if (reportLogger == nullptr && finishingReports.empty())
        reportPoll.stopTimer();
}

void OvexjuceLoudnessAudioProcessor::rotateReportIfDue()
{
    {
        const juce::SpinLock::ScopedLockType lock (reportLock);

        if (reportLogger == nullptr || ! (clock() > reportStartTime + juce::RelativeTime::days (1.0)))
            return;
    }

    finishReport();
    resetMeters();
    startReport();
}

void OvexjuceLoudnessAudioProcessor::updateMaxShortTerm()
{
    const juce::SpinLock::ScopedLockType lock (reportLock);

    if (reportLogger == nullptr)
        return;

    const auto now = clock();
    reportLogger->logShortTerm (now, roundToTenth (meters.shortTermLevel));

    if (meters.shortTermLevel > maxShortTerm)
    {
        maxShortTerm = roundToTenth (meters.shortTermLevel);
        reportLogger->setMaxShortTerm (loudnessUnit(), now, maxShortTerm);
    }
}

void OvexjuceLoudnessAudioProcessor::updateMaxTruePeak()
{
    const juce::SpinLock::ScopedLockType lock (reportLock);

    if (reportLogger == nullptr)
        return;

    const float highest = *std::max_element (meters.heldTruePeak.begin(), meters.heldTruePeak.end());

    if (highest > maxTruePeak)
    {
        maxTruePeak = roundToTenth (highest);
        maxTruePeakTime = clock();
        reportLogger->setMaxTruePeak (unitDBTP(), maxTruePeakTime, maxTruePeak);
    }
}

bool OvexjuceLoudnessAudioProcessor::startRemoteServer (float port)
{
    const auto listeningPort = remotePortForSetting (port);
    const bool listening = listeningPort.has_value() && remoteServer.start (*listeningPort);

    if (! listening)
        juce::Logger::writeToLog ("Remote server could not listen on port " + juce::String (port));

    startTimer (100);
    return listening;
}

void OvexjuceLoudnessAudioProcessor::stopRemoteServer()
{
    stopTimer();
    remoteServer.stop();
}

void OvexjuceLoudnessAudioProcessor::timerCallback()
{
    MeterSnapshot snapshot;
    copyMeterSnapshot (snapshot);
    remoteServer.setMeterData (snapshot);
    remoteServer.setParameters (params);
    remoteServer.sendToAll();
}

//==============================================================================
EditorRefreshControl* OvexjuceLoudnessAudioProcessor::refreshControl()
{
    return dynamic_cast<EditorRefreshControl*> (getActiveEditor());
}

void OvexjuceLoudnessAudioProcessor::prepareToPlay (double newSampleRate, int newBlockSize)
{
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
        editor->startRefresh (50);

    loudnessThread.addTimeSliceClient (&loudnessModule, 0);
}

void OvexjuceLoudnessAudioProcessor::releaseResources()
{
    loudnessModule.releaseResources();
    truePeakMeter.releaseResources();

    if (auto* editor = refreshControl())
        editor->stopRefresh();

    loudnessThread.removeTimeSliceClient (&loudnessModule);
}

void OvexjuceLoudnessAudioProcessor::processBlock (juce::AudioSampleBuffer& buffer, juce::MidiBuffer&)
{
    const int n = buffer.getNumSamples();
    blockSize = n;
    followRunState (n);

    // A live device may deliver a longer block than it was prepared for (the framework's JACK
    // device hears of no buffer-size change): such a block is measured in pieces of the prepared
    // length, so that nothing here ever allocates.
    if (n <= preparedBlockSize || preparedBlockSize == 0)
    {
        measureBlock (buffer);
        return;
    }

    for (int start = 0; start < n; start += preparedBlockSize)
    {
        juce::AudioSampleBuffer piece (buffer.getArrayOfWritePointers(), buffer.getNumChannels(), start,
                                       juce::jmin (preparedBlockSize, n - start));
        measureBlock (piece);
    }
}

void OvexjuceLoudnessAudioProcessor::followRunState (int n)
{
    // With the framework's processor player there is always a play head whose position advances
    // every block, so following the transport means running while the device plays.
    bool moved = false;
    {
        juce::AudioPlayHead::CurrentPositionInfo position;
        JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE ("-Wdeprecated-declarations")
        auto* currentPlayHead = getPlayHead();

        if (currentPlayHead != nullptr && currentPlayHead->getCurrentPosition (position))
        {
            moved = position != lastPosInfo;
            lastPosInfo = position;
        }
        else
        {
            lastPosInfo.resetToDefault();
        }
        JUCE_END_IGNORE_WARNINGS_GCC_LIKE
    }

    if (isNonZeroAfterRounding (params.followTransportFlag))
    {
        params.runFlag = moved ? 1.0f : 0.0f;
        loudnessModule.setRunning (moved);

        if (moved)
            meters.processedSamples += n;
    }
    else
    {
        loudnessModule.setRunning (truncatesToNonZero (params.runFlag));

        if (isNonZero (params.runFlag))
            meters.processedSamples += n;
    }

    if (isNonZeroAfterRounding (params.gatingOffFlag))
        loudnessModule.disableGating();
    else
        loudnessModule.enableGating();
}

void OvexjuceLoudnessAudioProcessor::measureBlock (juce::AudioSampleBuffer& block)
{
    routeInputs (block);

    if (isNonZero (params.stereoMixdownFlag))
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
            if (inputRouting[(size_t) r] == c)
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
        const int in = inputRouting[r];
        const int out = outputRouting[r];

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
    if (isNonZero (params.vectroscopeInputDataFlag))
    {
        for (size_t c = 0; c < 6; ++c)
            meters.soundFieldLevel[c] = valueToFraction (0, channelMomentary[c]);
    }
    else
    {
        const float e65 = std::exp (65.0f);

        for (size_t c = 0; c < 6; ++c)
            meters.soundFieldLevel[c] = (std::exp (truePeakResult.levels[c] / 65.0f) * e65 - truePeakScale.lowExp)
                                      / truePeakScale.span;
    }
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
