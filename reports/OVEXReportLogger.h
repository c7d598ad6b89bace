#pragma once

#include "OVEXTextCSVLogger.h"
#include "OVEXXMLLogger.h"

#include <juce_core/juce_core.h>

/** One measurement run's report: the XML summary and the CSV log, written on the report's own
    "NOLV logger" thread. finish makes the final writes at once; when one fails, the thread goes on
    retrying until both files hold everything, and destroying the logger tries a last time.

    Threads: construction, setLogFile, setTitle, the time and end-value setters and destruction run
    on the thread that starts and ends reports, which sets the logger up (setLogFile, setTitle,
    setStartTime) before the audio thread can reach it. logMomentary, logShortTerm and the three
    setMax… calls are safe on the audio thread: they take no lock, allocate nothing and do no I/O.
    The two log calls share one queue and each setMax… its own slot, so each is called from one
    thread at a time. */
class OVEXReportLogger
{
public:
    OVEXReportLogger();

    void setLogFile (const juce::File& reportXml);
    void setTitle (const juce::String& title);
    void setStartTime (juce::Time time);
    void setStopTime (juce::Time time);
    void setUpTime (double seconds);
    void setIntegratedLoudness (const juce::String& unit, float level);
    void setLoudnessRange (const juce::String& unit, float level);
    void setRunningValues (const juce::String& integratedUnit, float integrated, const juce::String& rangeUnit, float range,
                           double upSeconds);

    void setMaxShortTerm (const juce::String& unit, juce::Time time, float level) noexcept;
    void setMaxMomentary (const juce::String& unit, juce::Time time, float level) noexcept;
    void setMaxTruePeak (const juce::String& unit, juce::Time time, float level) noexcept;

    /** 1 when the value was queued for the CSV log, 0 when the queue was full and it was dropped. */
    int logMomentary (juce::Time time, float level) noexcept;
    int logShortTerm (juce::Time time, float level) noexcept;

    /** Writes both files with every value set so far, on the calling thread; true when both are
        complete. The report's thread keeps retrying what failed. */
    bool finish();

    /** Whether the last writes of both files succeeded with nothing left queued. */
    bool isFinished() const;

    /** "<path>: <reason>" of a file of the report that cannot be written; empty while both can. */
    juce::String describeFailure() const;

    /** CSV rows dropped because the queue was full, since the last take. */
    OVEXTextCSVLogger::DroppedRows takeDroppedRows() noexcept { return csvLogger.takeDroppedRows(); }

    static constexpr int csvCapacity = 1024;

private:
    // Destroyed in reverse: the XML writer makes its final write, the CSV writer drains its queue,
    // then the thread stops.
    juce::TimeSliceThread thread { "NOLV logger" };
    OVEXTextCSVLogger csvLogger { thread, csvCapacity };
    OVEXXMLLogger xmlLogger { thread };

    JUCE_DECLARE_NON_COPYABLE (OVEXReportLogger)
};
