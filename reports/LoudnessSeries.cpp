#include "LoudnessSeries.h"

#include "OVEXLogEntry.h"
#include "RegularFileStream.h"
#include "ReportText.h"
#include "ReportXmlNames.h"

#include <cmath>
#include <string>
#include <string_view>

namespace
{
// The writer never adds a short-term history to the XML; reports from elsewhere may hold one.
constexpr const char* stampedValueTag = "ShortTermStampedValue";
constexpr const char* stampedTimeAttribute = "time";

/** Calls onLine with every line that ends in LF, CR LF or CR, without its ending, reading the
    stream in blocks so a day-long log never sits in memory as one text. What follows the last
    ending is dropped, as is any line longer than maximumCsvLineBytes, and nothing past
    maximumCsvBytes is read. */
template <typename OnLine>
void forEachEndedLine (juce::InputStream& in, OnLine&& onLine)
{
    std::vector<char> block (1 << 16);
    std::string line;
    bool afterCr = false; // an LF right after a CR ends nothing: the two are one ending
    bool overlong = false;
    auto unread = LoudnessSeries::maximumCsvBytes;

    const auto append = [&] (const char* from, const char* to)
    {
        overlong = overlong || line.size() + (std::size_t) (to - from) > LoudnessSeries::maximumCsvLineBytes;

        if (overlong)
            line.clear();
        else
            line.append (from, to);
    };

    while (unread > 0)
    {
        const auto got = in.read (block.data(), (int) juce::jmin ((juce::int64) block.size(), unread));

        if (got <= 0)
            return;

        unread -= got;

        const char* runStart = block.data();
        const char* const end = block.data() + got;

        for (const char* p = runStart; p < end; ++p)
        {
            if (afterCr)
            {
                afterCr = false;

                if (*p == '\n')
                {
                    runStart = p + 1;
                    continue;
                }
            }

            if (*p == '\n' || *p == '\r')
            {
                append (runStart, p);

                if (! overlong)
                    onLine (std::string_view (line));

                line.clear();
                overlong = false;
                afterCr = *p == '\r';
                runStart = p + 1;
            }
        }

        append (runStart, end);
    }
}

/** The value, date and time of a row "Type, Value, Date, Time". Each field starts after the comma
    that ends the one before (and the blank after it) and runs to the next comma or the end of the
    line; a field the line does not reach is empty. */
struct RowFields
{
    std::string_view value, date, time;
};

RowFields splitRow (std::string_view line)
{
    RowFields fields;
    auto comma = line.find (',');

    for (auto* field : { &fields.value, &fields.date, &fields.time })
    {
        if (comma == std::string_view::npos)
            break;

        auto start = comma + 1;

        if (start < line.size() && line[start] == ' ')
            ++start;

        comma = line.find (',', start);
        *field = line.substr (start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
    }

    return fields;
}

/** The framework's leading-number reading: text that is no number reads as 0. May be non-finite. */
float readLevel (std::string_view text)
{
    const std::string terminated (text);
    auto reader = juce::CharPointer_UTF8 (terminated.c_str());
    return (float) juce::CharacterFunctions::readDoubleValue (reader);
}

/** The text cut to maximumLabelBytes, never inside a UTF-8 character. */
std::string_view labelOf (std::string_view text)
{
    return text.substr (0, utf8CutLength (text.data(), text.size(), LoudnessSeries::maximumLabelBytes));
}

/** Hands out one shared text for a run of equal labels, as consecutive rows share their second
    and their date. */
class RepeatedText
{
public:
    const juce::String& of (std::string_view text)
    {
        text = labelOf (text);

        if (text != bytes)
        {
            bytes.assign (text.data(), text.size());
            shared = juce::String::fromUTF8 (text.data(), (int) text.size());
        }

        return shared;
    }

private:
    std::string bytes;
    juce::String shared;
};
} // namespace

void LoudnessSeries::clear()
{
    shortTerm.clear();
    momentary.clear();
    times.clear();
    dates.clear();
}

void LoudnessSeries::add (float shortTermLevel, float momentaryLevel, const juce::String& time, const juce::String& date)
{
    shortTerm.push_back (shortTermLevel);
    momentary.push_back (momentaryLevel);
    times.push_back (time);
    dates.push_back (date);
}

XmlRefusal LoudnessSeries::readCsvLog (const juce::File& csv)
{
    RegularFileStream in (csv);
    auto refusal = in.getRefusal();

    if (refusal == XmlRefusal::none && in.getTotalLength() > maximumCsvBytes)
        refusal = XmlRefusal::tooLarge;

    if (refusal != XmlRefusal::none)
    {
        clear();
        return refusal;
    }

    readCsvLog (in);
    return XmlRefusal::none;
}

void LoudnessSeries::readCsvLog (juce::InputStream& csv)
{
    clear();

    const auto momentaryWord = csvTypeWord (OVEXLogEntry::momentary).toStdString();
    const auto shortTermWord = csvTypeWord (OVEXLogEntry::shortTerm).toStdString();
    float carriedShortTerm = noValue;
    RepeatedText timeTexts, dateTexts;

    forEachEndedLine (csv, [&] (std::string_view line)
    {
        if (line.find (momentaryWord) != std::string_view::npos)
        {
            const auto fields = splitRow (line);
            const auto level = readLevel (fields.value);

            if (std::isfinite (level))
                add (carriedShortTerm, level, timeTexts.of (fields.time), dateTexts.of (fields.date));
        }
        else if (line.find (shortTermWord) != std::string_view::npos)
        {
            const auto level = readLevel (splitRow (line).value);

            if (std::isfinite (level))
                carriedShortTerm = level;
        }
    });
}

void LoudnessSeries::readDynamicMeasurements (const juce::XmlElement& element)
{
    clear();

    // Tags compare without case, as the framework's tag lookups do.
    if (! element.getTagName().equalsIgnoreCase (LoudnessSeries::dynamicMeasurementsTag))
        return;

    const juce::String noDate;

    for (auto* child : element.getChildIterator())
    {
        if (! child->getTagName().equalsIgnoreCase (stampedValueTag))
            continue;

        const auto level = (float) child->getDoubleAttribute (reportXml::value);
        const auto time = labelOf (child->getStringAttribute (stampedTimeAttribute).toRawUTF8());
        add (std::isfinite (level) ? level : noValue, noValue, juce::String::fromUTF8 (time.data(), (int) time.size()), noDate);
    }
}
