#pragma once

#include "LatestMaximumSlot.h"
#include "WriteFailureLog.h"

#include <juce_core/juce_core.h>

#include <memory>

/** Keeps one report's summary as an XML tree and rewrites the report file from it once a second on
    the "NOLV logger" time-slice thread. The three maximum setters are called on the audio thread and
    never wait: they leave the value in a lock-free slot that the next write takes. Every other call
    comes from the thread that starts and ends reports. */
class OVEXXMLLogger : public juce::TimeSliceClient
{
public:
    explicit OVEXXMLLogger (juce::TimeSliceThread& thread);

    /** Leaves the thread, then writes the report a last time with every value set so far. */
    ~OVEXXMLLogger() override;

    /** Gives the writer its file, lays out every element with empty values and writes it at once.
        Only the first call counts. Values set before it are forgotten. */
    void startNewReport (const juce::File& reportXml);

    void setUserSelectedTitle (const juce::String& title);
    void setStartTime (juce::Time time);
    void setStopTime (juce::Time time);
    void setUpTime (double seconds);
    void setIntegratedLoudness (const juce::String& unit, float level);
    void setLoudnessRange (const juce::String& unit, float level);

    /** The running results in one step, so that no write shows one of them without the others. */
    void setRunningValues (const juce::String& integratedUnit, float integrated, const juce::String& rangeUnit, float range,
                           double upSeconds);

    /** Audio-thread safe: no lock, no allocation, no I/O. */
    void setMaxShortTerm (const juce::String& unit, juce::Time time, float level) noexcept;
    void setMaxMomentary (const juce::String& unit, juce::Time time, float level) noexcept;
    void setMaxTruePeak (const juce::String& unit, juce::Time time, float level) noexcept;

    /** Replaces the report file with the current tree through a hidden temporary file beside it, so
        a reader or a crash never meets a half-written report. A failed write leaves the previous
        file; the next turn tries again. The first failure and the recovery go to the framework log. */
    void writeReport();

    /** Whether the last write of the report succeeded. */
    bool isWritten() const noexcept { return ! failures.isFailing(); }
    juce::String describeFailure() const { return failures.describeFailure(); }

    /** Writes the report; the next call follows after a second. */
    int useTimeSlice() override;

private:
    /** The element below its group, or nullptr before startNewReport. Called under the lock. */
    juce::XmlElement* findElement (const char* group, const char* name) const;
    void setValue (const char* group, const char* name, const juce::String& value);
    void setLevel (const char* name, const juce::String& unit, float level);
    void applyPendingMaxima();

    juce::CriticalSection lock;      // over the tree and reportFile; never held during file I/O
    juce::CriticalSection writeLock; // keeps whole writes in order, so an older snapshot never lands last
    juce::TimeSliceThread& thread;
    std::unique_ptr<juce::XmlElement> root;
    juce::File reportFile;
    LatestMaximumSlot maxShortTerm, maxMomentary, maxTruePeak;
    juce::MemoryBlock lastWritten;
    WriteFailureLog failures;

    JUCE_DECLARE_NON_COPYABLE (OVEXXMLLogger)
};
