#include "WriteFailureLog.h"

void WriteFailureLog::failed (const juce::File& file, const juce::String& reason)
{
    if (failing.exchange (true))
        return;

    {
        const std::lock_guard<std::mutex> lock (descriptionLock);
        description = file.getFullPathName() + ": " + reason;
    }

    juce::Logger::writeToLog ("Report file " + file.getFullPathName() + " cannot be written: " + reason);
}

void WriteFailureLog::succeeded (const juce::File& file)
{
    if (! failing.exchange (false))
        return;

    {
        const std::lock_guard<std::mutex> lock (descriptionLock);
        description.clear();
    }

    juce::Logger::writeToLog ("Report file " + file.getFullPathName() + " is written again");
}

juce::String WriteFailureLog::describeFailure() const
{
    const std::lock_guard<std::mutex> lock (descriptionLock);
    return description;
}
