#pragma once

#include "GuardedXml.h"

#include <juce_core/juce_core.h>

#include <cstddef>
#include <vector>

/** The points of one report's loudness history, in file order: each point has a short-term and a
    momentary level, a time text and a date text, as the CSV log wrote them. Reading a day-long log
    (about 864,000 points) keeps the texts shared between points, so memory stays near 24 bytes a
    point. Plain data; used on the message thread. */
class LoudnessSeries
{
public:
    /** The level of a point that has none: below every scale and ignored by the histogram. */
    static constexpr float noValue = -71.0f;

    /** The element of an XML report that may carry the short-term history in place of a CSV log. */
    static constexpr const char* dynamicMeasurementsTag = "DynamicMeasurements";

    void clear();

    std::size_t size() const noexcept { return momentary.size(); }
    bool isEmpty() const noexcept { return momentary.empty(); }

    float shortTermAt (std::size_t point) const noexcept { return shortTerm[point]; }
    float momentaryAt (std::size_t point) const noexcept { return momentary[point]; }
    const juce::String& timeAt (std::size_t point) const noexcept { return times[point]; }
    const juce::String& dateAt (std::size_t point) const noexcept { return dates[point]; }

    /** A day-long log is about 40 MB; its lines are under 100 bytes. */
    static constexpr juce::int64 maximumCsvBytes = juce::int64 (2) << 30;
    static constexpr std::size_t maximumCsvLineBytes = 4096;

    /** Time and date texts are cut to this many bytes (whole characters). */
    static constexpr std::size_t maximumLabelBytes = 256;

    /** Replaces the points with those of a CSV log: one point per momentary row, carrying the
        short-term value of the latest short-term row before it (noValue before the first). Lines
        may end in LF, CR LF or CR; a last line without an ending is still being written and is
        left out, as is a line longer than maximumCsvLineBytes. At most maximumCsvBytes are read.
        The file is read only when it is a regular file no larger than that; otherwise it gives no
        points and the returned reason (notRegularFile, tooLarge or unreadable). */
    XmlRefusal readCsvLog (const juce::File& csv);
    void readCsvLog (juce::InputStream& csv);

    /** Replaces the points with the "ShortTermStampedValue" children of a "DynamicMeasurements"
        element: their "value" and "time" attributes give the short-term level and the time; such
        points have no momentary level and no date. */
    void readDynamicMeasurements (const juce::XmlElement& element);

private:
    void add (float shortTermLevel, float momentaryLevel, const juce::String& time, const juce::String& date);

    std::vector<float> shortTerm, momentary;
    std::vector<juce::String> times, dates;
};
