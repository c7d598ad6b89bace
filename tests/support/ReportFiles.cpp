#include "ReportFiles.h"

#include <cstdio>

namespace reporttest
{
std::string readBytes (const juce::File& file)
{
    juce::MemoryBlock block;
    file.loadFileAsData (block);
    return std::string (static_cast<const char*> (block.getData()), block.getSize());
}

std::vector<std::string> splitCrLf (const std::string& text)
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

juce::Time reportMoment (double offsetSeconds)
{
    return juce::Time (2026, 11, 5, 9, 7, 3, 0, true) + juce::RelativeTime (offsetSeconds);
}

std::string clockText (int secondsSinceMidnight)
{
    char text[16];
    std::snprintf (text, sizeof (text), "%d:%02d:%02d", secondsSinceMidnight / 3600, secondsSinceMidnight / 60 % 60,
                   secondsSinceMidnight % 60);
    return text;
}

juce::String reportAttribute (const juce::XmlElement& report, const char* element, const char* attribute)
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
