#pragma once

#include <juce_core/juce_core.h>

#include <cstdio>
#include <string>
#include <vector>

// Reading report files back in tests, byte for byte.
namespace reporttest
{
/** The file's bytes as they are on disk (no byte-order mark dropped, no line ends changed). */
inline std::string readBytes (const juce::File& file)
{
    juce::MemoryBlock block;
    file.loadFileAsData (block);
    return std::string (static_cast<const char*> (block.getData()), block.getSize());
}

/** The pieces between CR LF pairs; the last piece is whatever follows the final CR LF. */
inline std::vector<std::string> splitCrLf (const std::string& text)
{
    std::vector<std::string> pieces;
    size_t start = 0;

    for (auto end = text.find ("\r\n"); end != std::string::npos; end = text.find ("\r\n", start))
    {
        pieces.push_back (text.substr (start, end - start));
        start = end + 2;
    }

    pieces.push_back (text.substr (start));
    return pieces;
}

/** 5 Dec 2026 9:07:03 local time, plus an offset: the moment most report tests are set at. */
inline juce::Time reportMoment (double offsetSeconds = 0.0)
{
    return juce::Time (2026, 11, 5, 9, 7, 3, 0, true) + juce::RelativeTime (offsetSeconds);
}

/** "H:MM:SS" of a number of seconds since midnight, worked out without juce::Time. */
inline std::string clockText (int secondsSinceMidnight)
{
    char text[16];
    std::snprintf (text, sizeof (text), "%d:%02d:%02d", secondsSinceMidnight / 3600, secondsSinceMidnight / 60 % 60,
                   secondsSinceMidnight % 60);
    return text;
}

/** The value of one attribute of an element of a report, or "(missing)". */
inline juce::String reportAttribute (const juce::XmlElement& report, const char* element, const char* attribute)
{
    for (auto* group : report.getChildIterator())
    {
        if (group->hasTagName (element))
            return group->getStringAttribute (attribute, "(missing)");

        if (auto* child = group->getChildByName (element))
            return child->getStringAttribute (attribute, "(missing)");
    }

    return "(missing)";
}
} // namespace reporttest
