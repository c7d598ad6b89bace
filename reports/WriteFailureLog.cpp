#include "WriteFailureLog.h"

void WriteFailureLog::failed (const juce::File& file, const juce::String& reason)
{
    if (! failing.exchange (true))
        juce::Logger::writeToLog ("Report file " + file.getFullPathName() + " cannot be written: " + reason);
}

void WriteFailureLog::succeeded (const juce::File& file)
{
    if (failing.exchange (false))
        juce::Logger::writeToLog ("Report file " + file.getFullPathName() + " is written again");
}
