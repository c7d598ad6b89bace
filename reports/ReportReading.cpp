#include "ReportReading.h"

#include "GuardedXml.h"
#include "LevelHelpers.h"
#include "LoudnessHistory.h"
#include "RegularFileStream.h"
#include "ReportText.h"
#include "ReportXmlNames.h"

#include <cmath>

namespace
{
// A label shows a few dozen characters; laying out a text of millions would hold the window.
constexpr int maxShownCharacters = 256;

// No level a meter measures comes near this; a report beyond it was damaged or made by hand.
constexpr double maximumShownLevel = 1000.0;

/** The level an attribute holds, when it holds one a meter could have measured: text that is no
    number counts as 0.0; an empty, non-finite or absurd level has none. */
std::optional<float> levelOf (const juce::XmlElement& element)
{
    const auto text = element.getStringAttribute (reportXml::value);
    const auto level = text.getDoubleValue();

    if (text.isEmpty() || ! std::isfinite (level) || std::abs (level) > maximumShownLevel)
        return std::nullopt;

    return (float) level;
}

/** A level attribute as the summary shows it: one decimal, or "-" when it has no level (an unset
    level would otherwise read 0.0, the loudest level there is). */
juce::String levelText (const juce::XmlElement& element)
{
    const auto level = levelOf (element);
    return level.has_value() ? formatOneDecimal (*level) : juce::String ("-");
}

/** A true peak that never rose above the floor has no value to show. */
juce::String truePeakText (const juce::XmlElement& element)
{
    const auto level = levelOf (element);
    return level.has_value() && *level > noLoudnessValue ? formatOneDecimal (*level) : juce::String ("-");
}

/** A stream that ends as soon as what it is read for is no longer wanted. */
class WantedStream : public juce::InputStream
{
public:
    WantedStream (juce::InputStream& streamToRead, const std::function<bool()>& wanted)
        : source (streamToRead), isWanted (wanted)
    {
    }

    juce::int64 getTotalLength() override { return source.getTotalLength(); }
    bool isExhausted() override { return source.isExhausted() || ! isWanted(); }
    int read (void* destination, int maxBytesToRead) override { return isWanted() ? source.read (destination, maxBytesToRead) : 0; }
    juce::int64 getPosition() override { return source.getPosition(); }
    bool setPosition (juce::int64 newPosition) override { return source.setPosition (newPosition); }

private:
    juce::InputStream& source;
    const std::function<bool()>& isWanted;
};

void readSummary (const juce::XmlElement& root, ReportReading& reading)
{
    const auto set = [&reading] (ReportReading::Text text, const juce::String& value)
    { reading.texts[(size_t) text] = value.substring (0, maxShownCharacters); };

    using R = ReportReading;

    if (root.getChildByName (reportXml::title) != nullptr)
        set (R::title, reading.reportFile.getFileNameWithoutExtension());

    if (auto* interval = root.getChildByName (reportXml::interval))
    {
        if (auto* startTime = interval->getChildByName (reportXml::startTime))
        {
            set (R::start, startTime->getStringAttribute (reportXml::value));

            if (auto* stopTime = startTime->getNextElementWithTagName (reportXml::stopTime))
            {
                set (R::end, stopTime->getStringAttribute (reportXml::value));

                if (auto* upTime = stopTime->getNextElementWithTagName (reportXml::upTime))
                    set (R::duration, upTime->getStringAttribute (reportXml::value));
            }
        }
    }

    if (auto* measurements = root.getChildByName (reportXml::measurements))
    {
        if (auto* integrated = measurements->getChildByName (reportXml::integratedLoudness))
        {
            set (R::integratedValue, levelText (*integrated));
            set (R::integratedUnit, integrated->getStringAttribute (reportXml::unit));

            if (auto* range = integrated->getNextElementWithTagName (reportXml::loudnessRange))
            {
                set (R::rangeValue, levelText (*range));
                set (R::rangeUnit, range->getStringAttribute (reportXml::unit));

                if (auto* maxShortTerm = range->getNextElementWithTagName (reportXml::maxShortTerm))
                {
                    set (R::maxShortTermValue, levelText (*maxShortTerm));
                    set (R::maxShortTermUnit, maxShortTerm->getStringAttribute (reportXml::unit));
                    set (R::maxShortTermPosition, maxShortTerm->getStringAttribute (reportXml::maxTime));

                    if (auto* maxMomentary = maxShortTerm->getNextElementWithTagName (reportXml::maxMomentary))
                    {
                        set (R::maxMomentaryValue, levelText (*maxMomentary));
                        set (R::maxMomentaryUnit, maxMomentary->getStringAttribute (reportXml::unit, "-"));
                        set (R::maxMomentaryPosition, maxMomentary->getStringAttribute (reportXml::maxTime));

                        if (auto* maxTruePeak = maxMomentary->getNextElementWithTagName (reportXml::maxTruePeak))
                        {
                            set (R::maxTruePeakValue, truePeakText (*maxTruePeak));
                            set (R::maxTruePeakUnit, maxTruePeak->getStringAttribute (reportXml::unit));
                            set (R::maxTruePeakPosition, maxTruePeak->getStringAttribute (reportXml::maxTime));
                        }
                    }
                }
            }
        }
    }
}
} // namespace

void ReportReading::readCsvCompanion (const std::function<bool()>& isWanted)
{
    // Opened here rather than by the series, so that the reading can stop part way.
    RegularFileStream csv (csvCompanionOf (reportFile));
    WantedStream wanted (csv, isWanted);

    if (csv.getRefusal() == XmlRefusal::none && csv.getTotalLength() <= LoudnessSeries::maximumCsvBytes)
        series.readCsvLog (wanted);
}

ReportReading readReport (const juce::File& report, SummaryGating gating, const std::function<bool()>& isWanted)
{
    ReportReading reading;
    reading.reportFile = report;

    // The writers only ever name reports ".xml"; the list shows the other cases too.
    if (report.getFileExtension() != ".xml")
    {
        reading.refusal = describeRefusal (XmlRefusal::notReport);
        return reading;
    }

    auto refusal = XmlRefusal::none;
    const auto root = parseGuardedXml (report, maximumReportXmlBytes, maximumXmlDepth, refusal);

    if (root == nullptr)
    {
        reading.refusal = describeRefusal (refusal);
        return reading;
    }

    readSummary (*root, reading);

    if (auto* dynamicMeasurements = root->getChildByName (LoudnessSeries::dynamicMeasurementsTag))
    {
        reading.series.readDynamicMeasurements (*dynamicMeasurements);
    }
    else
    {
        reading.readCsvCompanion (isWanted);
    }

    OVEXLoudnessHistogram momentary (gating.momentary), shortTerm (gating.shortTerm);
    reading.summaryOfAll = LoudnessHistory::summarise (reading.series, 0, (juce::int64) reading.series.size() - 1,
                                                       momentary, shortTerm);
    return reading;
}
