#pragma once

#include <juce_core/juce_core.h>

#include <cstddef>

// The text forms of reports, shared by the writers and the previewer so the two cannot drift.

/** One digit after the point, halves rounded away from zero, "-" whenever the value is below 0
    ("-0.0" for -0.02), for any finite value. Non-finite values give "-inf", "inf" or "nan". */
juce::String formatOneDecimal (float value);

/** Local date "5 Dec 2026". */
juce::String dateText (juce::Time time);

/** Local time "9:07:03". */
juce::String timeText (juce::Time time);

/** Local "5 Dec 2026 9:07:03". */
juce::String dateTimeText (juce::Time time);

/** Local "5_Dec_2026_9_7_3", no leading zeros anywhere; part of report file names. */
juce::String reportTimeStamp (juce::Time time);

/** The word that names a value's kind in the CSV log: 0 "MomentaryLoudness", 1 "ShortTermLoudness",
    2 "TruePeak"; any other kind is logged as "ShortTermLoudness". */
juce::String csvTypeWord (int type);

/** A run's length as the report shows it: "0" below one millisecond, else at most two fields,
    largest first ("1 hr 5 mins", "2 days 3 hrs", "45 secs", "5 ms"); "-" first when negative.
    Empty when the length is not finite or too long to describe. */
juce::String durationText (double seconds);

/** How many of the text's first bytes to keep so that at most maximumBytes are kept and no UTF-8
    character is cut. Allocates nothing; safe on the audio thread. */
std::size_t utf8CutLength (const char* text, std::size_t length, std::size_t maximumBytes) noexcept;

/** The CSV log that belongs to an XML report: beside it, its extension (if any) replaced by ".csv". */
juce::File csvCompanionOf (const juce::File& xmlReport);
