#include "OvexjuceLoudnessAudioProcessor.h"

#include "DefaultLogLocations.h"
#include "LevelHelpers.h"
#include "ProcessorStateCodec.h"
#include "RemotePort.h"

#include <cmath>

OvexjuceLoudnessAudioProcessor* createPluginFilter (juce::AudioDeviceManager* deviceManager)
{
    return new OvexjuceLoudnessAudioProcessor (deviceManager);
}

OvexjuceLoudnessAudioProcessor::OvexjuceLoudnessAudioProcessor (juce::AudioDeviceManager* manager)
    : deviceManager (manager)
{
    setDefaultParameters();
    shareRouting();
    loudnessThread.startThread();
}

OvexjuceLoudnessAudioProcessor::~OvexjuceLoudnessAudioProcessor()
{
    finishReport();
    remoteFeed.stop();
    loudnessThread.stopThread (1000);
}

//==============================================================================
void OvexjuceLoudnessAudioProcessor::setDefaultParameters()
{
    params = ParameterBlock {};
    params.logFilePath = defaultLogFolder().getFullPathName();
    params.logFileName = defaultLogFileName;
    shareParameters();
}

void OvexjuceLoudnessAudioProcessor::shareParameters()
{
    ++parameterChanges;
    sharedParameters[runFlagIndex].store (params.runFlag, std::memory_order_relaxed);

    for (const auto& parameter : savedParameters)
        sharedParameters[(size_t) parameter.index].store (params.*parameter.field, std::memory_order_relaxed);

    remoteFeed.setParameters (params);
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
        // Stored on every editor tick: only a change counts.
        if (params.stereoState == (value != 0.0f))
            return;

        params.stereoState = value != 0.0f;
    }
    else
    {
        for (const auto& parameter : savedParameters)
            if (parameter.index == index)
                params.*parameter.field = value;
    }

    shareParameters();
}

void OvexjuceLoudnessAudioProcessor::setStringParameter (int index, const juce::String& text)
{
    if (index == logFilePathIndex)
        params.logFilePath = text;
    else if (index == logFileNameIndex)
        params.logFileName = text;

    shareParameters();
}

//==============================================================================
void OvexjuceLoudnessAudioProcessor::getStateInformation (juce::MemoryBlock& destination)
{
    juce::XmlElement xml (processorState::tagName);

    for (const auto& parameter : savedParameters)
        xml.setAttribute (parameter.stateAttribute, processorState::formatNumber (params.*parameter.field));

    xml.setAttribute ("settingsInputLayout", layoutToText (inputLayout));
    xml.setAttribute ("settingsOutputLayout", layoutToText (outputLayout));
    xml.setAttribute ("logFilePath", params.logFilePath);
    xml.setAttribute ("logFileName", params.logFileName);
    processorState::write (xml, destination);
}

void OvexjuceLoudnessAudioProcessor::setStateInformation (const void* data, int sizeInBytes)
{
    restoreState (data, sizeInBytes);
}

bool OvexjuceLoudnessAudioProcessor::restoreState (const void* data, int sizeInBytes)
{
    const auto xml = processorState::read (data, sizeInBytes);

    if (xml == nullptr)
    {
        setDefaultParameters();
        return false;
    }

    if (! xml->getTagName().equalsIgnoreCase (processorState::tagName))
        return false;

    // A value that is no finite number counts as missing: NaN would silence every alarm.
    for (const auto& parameter : savedParameters)
        if (const auto stored = (float) xml->getDoubleAttribute (parameter.stateAttribute, (double) (params.*parameter.field)); std::isfinite (stored))
            params.*parameter.field = stored;

    // A state without a layout keeps the current one, as every other missing attribute does.
    if (xml->hasAttribute ("settingsInputLayout"))
        setInputLayout (layoutFromText (xml->getStringAttribute ("settingsInputLayout")));

    if (xml->hasAttribute ("settingsOutputLayout"))
        setOutputLayout (layoutFromText (xml->getStringAttribute ("settingsOutputLayout")));

    params.logFilePath = xml->getStringAttribute ("logFilePath", params.logFilePath);
    params.logFileName = xml->getStringAttribute ("logFileName", params.logFileName);
    shareParameters();

    return xml->hasAttribute ("settingsInputLayout") && xml->hasAttribute ("settingsOutputLayout");
}

//==============================================================================
void OvexjuceLoudnessAudioProcessor::setInputLayout (const ChannelLayout& layout)
{
    inputLayout = layout;
    inputRouting = deriveRouting (layout);
    shareRouting();
}

void OvexjuceLoudnessAudioProcessor::setOutputLayout (const ChannelLayout& layout)
{
    outputLayout = layout;
    outputRouting = deriveRouting (layout);
    shareRouting();
}

void OvexjuceLoudnessAudioProcessor::setDefaultInputRouting()
{
    for (int r = 0; r < 6; ++r)
        inputRouting[(size_t) r] = inputLayout[(size_t) r] = r;

    shareRouting();
}

void OvexjuceLoudnessAudioProcessor::setDefaultOutputRouting()
{
    for (int r = 0; r < 6; ++r)
        outputRouting[(size_t) r] = outputLayout[(size_t) r] = r;

    shareRouting();
}

void OvexjuceLoudnessAudioProcessor::shareRouting()
{
    sharedInputRouting.store (packRouting (inputRouting), std::memory_order_relaxed);
    sharedOutputRouting.store (packRouting (outputRouting), std::memory_order_relaxed);
}

//==============================================================================
const BarScale& OvexjuceLoudnessAudioProcessor::loudnessScale (float standard, float scale) const
{
    standard = std::nearbyint (standard);
    scale = std::nearbyint (scale);

    if (standard == 0.0f)
        return scale == 1.0f ? ebu9Scale : ebu18Scale;

    if (scale == 1.0f)
        return atsc9Scale;

    return scale == 0.0f ? atsc18Scale : ebu18Scale;
}

int OvexjuceLoudnessAudioProcessor::valueToPixel (int isTruePeak, float level) const
{
    return isTruePeak != 0 ? truePeakScale.pixel (level, truePeakBarPixels)
                           : loudnessScale (params.measurementStandard, params.measurementScale).pixel (level, loudnessBarPixels);
}

float OvexjuceLoudnessAudioProcessor::valueToFraction (int isTruePeak, float level) const
{
    return isTruePeak != 0 ? truePeakScale.fraction (level)
                           : loudnessScale (params.measurementStandard, params.measurementScale).fraction (level);
}

void OvexjuceLoudnessAudioProcessor::copyMeterSnapshot (MeterSnapshot& destination) const
{
    destination = publishedMeters.read();
}

void OvexjuceLoudnessAudioProcessor::resetMeters()
{
    resetRequests.fetch_add (1, std::memory_order_release);
    carryOutRequestsWhileNoBlockRuns();
}

void OvexjuceLoudnessAudioProcessor::clearAlarms()
{
    alarmClearRequests.fetch_add (1, std::memory_order_release);
    carryOutRequestsWhileNoBlockRuns();
}

void OvexjuceLoudnessAudioProcessor::carryOutRequestsWhileNoBlockRuns()
{
    const std::lock_guard<std::mutex> lock (preparationLock);

    if (! prepared.load (std::memory_order_acquire))
    {
        carryOutRequests();
        publishedMeters.publish (meters);
    }
}

//==============================================================================
void OvexjuceLoudnessAudioProcessor::startReport()
{
    // The open report is finished properly rather than dropped with empty end values.
    finishReport();
    reportSession.start (params.logFilePath, params.logFileName);
}

void OvexjuceLoudnessAudioProcessor::finishReport()
{
    reportSession.finish();
}

ReportSession::Measured OvexjuceLoudnessAudioProcessor::measuredForReport() const
{
    const auto latest = publishedMeters.read();
    return { params.measurementStandard, latest.integratedLevel, latest.loudnessRange };
}

bool OvexjuceLoudnessAudioProcessor::startRemoteServer (float port)
{
    const auto listeningPort = remotePortForSetting (port);
    const bool listening = listeningPort.has_value() && remoteServer.start (*listeningPort);

    if (! listening)
        juce::Logger::writeToLog ("Remote server could not listen on port " + juce::String (port));

    remoteFeed.start();
    return listening;
}

void OvexjuceLoudnessAudioProcessor::stopRemoteServer()
{
    remoteFeed.stop();
    remoteServer.stop();
}
