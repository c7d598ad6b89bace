#pragma once

#include <juce_core/juce_core.h>

#include <string>
#include <vector>

// Reading report files back in tests, byte for byte.
namespace reporttest
{
/** The file's bytes as they are on disk (no byte-order mark dropped, no line ends changed). */
std::string readBytes (const juce::File& file);

/** The pieces between CR LF pairs; the last piece is whatever follows the final CR LF. */
std::vector<std::string> splitCrLf (const std::string& text);

/** 5 Dec 2026 9:07:03 local time, plus an offset: the moment most report tests are set at. */
juce::Time reportMoment (double offsetSeconds = 0.0);

/** "H:MM:SS" of a number of seconds since midnight, worked out without juce::Time. */
std::string clockText (int secondsSinceMidnight);

/** The value of one attribute of an element of a report, or "(missing)". */
juce::String reportAttribute (const juce::XmlElement& report, const char* element, const char* attribute);
} // namespace reporttest
