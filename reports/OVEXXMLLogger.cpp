#include "OVEXXMLLogger.h"

#include "ReportText.h"
#include "ReportXmlNames.h"

namespace
{
const char* const intervalGroup = reportXml::interval;
const char* const measurementsGroup = reportXml::measurements;

std::unique_ptr<juce::XmlElement> makeSkeleton()
{
    auto root = std::make_unique<juce::XmlElement> (reportXml::root);

    auto addElement = [] (juce::XmlElement& parent, const char* name, juce::StringArray attributes)
    {
        auto* element = parent.createNewChildElement (name);

        for (const auto& attribute : attributes)
            element->setAttribute (attribute, juce::String());

        return element;
    };

    addElement (*root, reportXml::title, { reportXml::value });

    auto* interval = addElement (*root, intervalGroup, {});
    for (auto* name : { reportXml::startTime, reportXml::stopTime, reportXml::upTime })
        addElement (*interval, name, { reportXml::value });

    auto* measurements = addElement (*root, measurementsGroup, {});
    for (auto* name : { reportXml::integratedLoudness, reportXml::loudnessRange })
        addElement (*measurements, name, { reportXml::value, reportXml::unit });
    for (auto* name : { reportXml::maxShortTerm, reportXml::maxMomentary, reportXml::maxTruePeak })
        addElement (*measurements, name, { reportXml::value, reportXml::unit, reportXml::maxTime });

    return root;
}

juce::Result replaceAtomically (const juce::File& target, const juce::MemoryBlock& document)
{
    const auto folder = target.getParentDirectory().createDirectory();

    if (folder.failed())
        return folder;

    // Hidden, so a folder listing of reports never shows a half-written or stranded copy.
    juce::TemporaryFile temporary (target, juce::TemporaryFile::useHiddenFile);

    {
        // Unbuffered, so a short write (a full disk) shows in write's result.
        juce::FileOutputStream out (temporary.getFile(), 0);

        if (out.failedToOpen())
            return out.getStatus();

        if (! out.write (document.getData(), document.getSize()))
            return out.getStatus().failed() ? out.getStatus() : juce::Result::fail ("short write");

        out.flush(); // fsync: the rename must not publish a file whose blocks are not on disk yet

        if (out.getStatus().failed())
            return out.getStatus();
    }

    return temporary.getFile().replaceFileIn (target) ? juce::Result::ok()
                                                       : juce::Result::fail ("cannot replace it");
}
} // namespace

OVEXXMLLogger::OVEXXMLLogger (juce::TimeSliceThread& timeSliceThread)
    : thread (timeSliceThread),
      root (std::make_unique<juce::XmlElement> (reportXml::root))
{
    thread.addTimeSliceClient (this, 0);
}

OVEXXMLLogger::~OVEXXMLLogger()
{
    thread.removeTimeSliceClient (this);
    writeReport();
}

void OVEXXMLLogger::startNewReport (const juce::File& reportXml)
{
    {
        const juce::ScopedLock scope (lock);

        if (reportFile != juce::File())
            return;

        reportFile = reportXml;
        root = makeSkeleton();

        for (auto* slot : { &maxShortTerm, &maxMomentary, &maxTruePeak })
            slot->discard();
    }

    writeReport();
}

juce::XmlElement* OVEXXMLLogger::findElement (const char* group, const char* name) const
{
    if (auto* parent = root->getChildByName (group))
        return parent->getChildByName (name);

    return nullptr;
}

void OVEXXMLLogger::setValue (const char* group, const char* name, const juce::String& value)
{
    const juce::ScopedLock scope (lock);

    if (auto* element = findElement (group, name))
        element->setAttribute (reportXml::value, value);
}

void OVEXXMLLogger::setLevel (const char* name, const juce::String& unit, float level)
{
    const juce::ScopedLock scope (lock);

    if (auto* element = findElement (measurementsGroup, name))
    {
        element->setAttribute (reportXml::value, formatOneDecimal (level));
        element->setAttribute (reportXml::unit, unit);
    }
}

void OVEXXMLLogger::setUserSelectedTitle (const juce::String& title)
{
    const juce::ScopedLock scope (lock);

    if (auto* element = root->getChildByName (reportXml::title))
        element->setAttribute (reportXml::value, title);
}

void OVEXXMLLogger::setStartTime (juce::Time time)
{
    setValue (intervalGroup, reportXml::startTime, dateTimeText (time));
}

void OVEXXMLLogger::setStopTime (juce::Time time)
{
    setValue (intervalGroup, reportXml::stopTime, dateTimeText (time));
}

void OVEXXMLLogger::setUpTime (double seconds)
{
    setValue (intervalGroup, reportXml::upTime, durationText (seconds));
}

void OVEXXMLLogger::setIntegratedLoudness (const juce::String& unit, float level)
{
    setLevel (reportXml::integratedLoudness, unit, level);
}

void OVEXXMLLogger::setLoudnessRange (const juce::String& unit, float level)
{
    setLevel (reportXml::loudnessRange, unit, level);
}

void OVEXXMLLogger::setRunningValues (const juce::String& integratedUnit, float integrated, const juce::String& rangeUnit,
                                      float range, double upSeconds)
{
    const juce::ScopedLock scope (lock); // the setters' own locks nest in it
    setIntegratedLoudness (integratedUnit, integrated);
    setLoudnessRange (rangeUnit, range);
    setUpTime (upSeconds);
}

void OVEXXMLLogger::setMaxShortTerm (const juce::String& unit, juce::Time time, float level) noexcept
{
    maxShortTerm.publish (unit, time, level);
}

void OVEXXMLLogger::setMaxMomentary (const juce::String& unit, juce::Time time, float level) noexcept
{
    maxMomentary.publish (unit, time, level);
}

void OVEXXMLLogger::setMaxTruePeak (const juce::String& unit, juce::Time time, float level) noexcept
{
    maxTruePeak.publish (unit, time, level);
}

void OVEXXMLLogger::applyPendingMaxima()
{
    const std::pair<LatestMaximumSlot*, const char*> slots[] = { { &maxShortTerm, reportXml::maxShortTerm },
                                                                 { &maxMomentary, reportXml::maxMomentary },
                                                                 { &maxTruePeak, reportXml::maxTruePeak } };

    for (const auto& [slot, name] : slots)
    {
        if (const auto maximum = slot->takeIfNew())
        {
            if (auto* element = findElement (measurementsGroup, name))
            {
                element->setAttribute (reportXml::value, formatOneDecimal (maximum->level));
                element->setAttribute (reportXml::unit, maximum->unit);
                element->setAttribute (reportXml::maxTime, dateTimeText (maximum->time));
            }
        }
    }
}

void OVEXXMLLogger::writeReport()
{
    const juce::ScopedLock writeScope (writeLock);
    juce::MemoryOutputStream document;
    juce::File target;

    {
        const juce::ScopedLock scope (lock);

        if (reportFile == juce::File())
            return;

        applyPendingMaxima();
        root->writeTo (document, juce::XmlElement::TextFormat());
        target = reportFile;
    }

    const juce::MemoryBlock bytes (document.getData(), document.getDataSize());

    // An unchanged report is not rewritten: that spares an fsync a second for most of a run.
    if (bytes == lastWritten && target.existsAsFile())
        return;

    const auto written = replaceAtomically (target, bytes);

    if (written.wasOk())
    {
        lastWritten = bytes;
        failures.succeeded (target);
    }
    else
    {
        failures.failed (target, written.getErrorMessage());
    }
}

int OVEXXMLLogger::useTimeSlice()
{
    writeReport();
    return 1000;
}
