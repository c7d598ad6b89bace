#include "OVEXReportLogger.h"

OVEXReportLogger::OVEXReportLogger()
{
    thread.startThread();
}

void OVEXReportLogger::setLogFile (const juce::File& reportXml)
{
    xmlLogger.startNewReport (reportXml);
    csvLogger.setLogFile (reportXml);
}

void OVEXReportLogger::setTitle (const juce::String& title)
{
    xmlLogger.setUserSelectedTitle (title);
}

void OVEXReportLogger::setStartTime (juce::Time time)
{
    xmlLogger.setStartTime (time);
}

void OVEXReportLogger::setStopTime (juce::Time time)
{
    xmlLogger.setStopTime (time);
}

void OVEXReportLogger::setUpTime (double seconds)
{
    xmlLogger.setUpTime (seconds);
}

void OVEXReportLogger::setIntegratedLoudness (const juce::String& unit, float level)
{
    xmlLogger.setIntegratedLoudness (unit, level);
}

void OVEXReportLogger::setLoudnessRange (const juce::String& unit, float level)
{
    xmlLogger.setLoudnessRange (unit, level);
}

void OVEXReportLogger::setRunningValues (const juce::String& integratedUnit, float integrated, const juce::String& rangeUnit,
                                         float range, double upSeconds)
{
    xmlLogger.setRunningValues (integratedUnit, integrated, rangeUnit, range, upSeconds);
}

void OVEXReportLogger::setMaxShortTerm (const juce::String& unit, juce::Time time, float level) noexcept
{
    xmlLogger.setMaxShortTerm (unit, time, level);
}

void OVEXReportLogger::setMaxMomentary (const juce::String& unit, juce::Time time, float level) noexcept
{
    xmlLogger.setMaxMomentary (unit, time, level);
}

void OVEXReportLogger::setMaxTruePeak (const juce::String& unit, juce::Time time, float level) noexcept
{
    xmlLogger.setMaxTruePeak (unit, time, level);
}

int OVEXReportLogger::logMomentary (juce::Time time, float level) noexcept
{
    return csvLogger.pushEntry ({ OVEXLogEntry::momentary, level, time });
}

int OVEXReportLogger::logShortTerm (juce::Time time, float level) noexcept
{
    return csvLogger.pushEntry ({ OVEXLogEntry::shortTerm, level, time });
}

bool OVEXReportLogger::finish()
{
    xmlLogger.writeReport();
    csvLogger.writeQueued();
    return isFinished();
}

juce::String OVEXReportLogger::describeFailure() const
{
    const auto xml = xmlLogger.describeFailure();
    return xml.isNotEmpty() ? xml : csvLogger.describeFailure();
}

bool OVEXReportLogger::isFinished() const
{
    return xmlLogger.isWritten() && csvLogger.isDrained();
}
