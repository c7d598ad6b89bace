// The XML guard and the framework's parser on the costliest texts the guard still passes, against
// their size: for each form, texts of 1, 4, 16 and 64 MiB (the report cap), read as the log page's
// loader reads a report (readReport: file, guard, parse), with the guard and the parse alone beside
// it; then each form at the settings file's cap of 1 MiB, opened as the program opens its settings
// at start. Times are wall clock on one core, the best of two runs. Run it by hand.

#include "GuardedXml.h"
#include "ReportReading.h"
#include "SettingsFile.h"

#include <juce_events/juce_events.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

namespace
{
double secondsOf (const std::function<void()>& run)
{
    const auto start = std::chrono::steady_clock::now();
    run();
    return std::chrono::duration<double> (std::chrono::steady_clock::now() - start).count();
}

double bestSecondsOf (const std::function<void()>& run)
{
    return std::min (secondsOf (run), secondsOf (run));
}

double mebibytesOf (const std::string& text)
{
    return (double) text.size() / (1 << 20);
}

std::string repeated (const char* text, int times)
{
    return juce::String::repeatedString (text, times).toStdString();
}

/** A text of the form: its unit repeated up to the given size in the root element (each in a
    value of its own, or one after another), after its lead and before its trail. */
struct Form
{
    const char* name;
    std::string unit, lead = {}, trail = {};
    bool unitIsAValue = false;
};

const Form forms[] = {
    { "4,096 references in each 64 KiB value", repeated ("xxxxxxxxxxxx&lt;", 4096), "", "", true },
    // Spaced so that each run and each reference makes the parser copy the value again.
    { "4,096 references in each 60 KiB value", repeated ("xxxxxxxxxxx&lt;", 4096), "", "", true },
    { "references in element text", repeated ("&lt;", 1024) },
    { "references to the last code point in text", repeated ("&#1114111;", 400) },
    { "comments between text", repeated ("<!---->x", 512) },
    { "elements up to the item bound", "<e/>             " },
    { "one value with no reference", std::string (4096, 'x'), "<VALUE name=\"k\" val=\"", "\"/>" },
    // Refused: each '&' made the parser search to the end of the text, and the '&' hid what the
    // guard took for a comment.
    { "bare '&'", std::string (4096, '&') },
    { "<a> nested behind &x<!--;", repeated ("<a>", 1024), "&x<!--;", "-->" },
};

/** The settings' line about a damaged file would come between the table's. */
struct QuietLogger : juce::Logger
{
    void logMessage (const juce::String&) override {}
};

std::string textOf (const Form& form, const std::string& root, std::size_t bytes)
{
    const auto tail = form.trail + "</" + root + ">\n";
    auto text = "<" + root + ">\n" + form.lead;
    text.reserve (bytes);

    const auto unit = form.unitIsAValue ? "<VALUE name=\"k\" val=\"" + form.unit + "\"/>\n" : form.unit;

    while (text.size() + unit.size() + tail.size() <= bytes)
        text += unit;

    return text + tail;
}
} // namespace

int main()
{
    juce::ScopedJuceInitialiser_GUI juce;
    const auto folder = juce::File::createTempFile ("xml-guard-bench");
    folder.createDirectory();
    ::setenv ("XDG_CONFIG_HOME", folder.getFullPathName().toRawUTF8(), 1);
    QuietLogger quiet;
    juce::Logger::setCurrentLogger (&quiet);

    std::printf ("%-44s %7s %9s %9s %12s %8s\n", "report form", "MiB", "guard s", "parse s", "readReport s", "MiB/s");

    for (const auto& form : forms)
    {
        for (const std::size_t mebibytes : { 1, 4, 16, 64 })
        {
            const auto text = textOf (form, "QIT5.1Log", juce::jmin (mebibytes << 20, maximumReportXmlBytes));
            bool passes = false;
            const auto guard = bestSecondsOf ([&] { passes = isSafeXmlText (text.data(), text.size(), maximumXmlDepth); });

            if (! passes)
            {
                std::printf ("%-44s %7.1f %9.3f refused\n", form.name, mebibytesOf (text), guard);
                continue;
            }

            const auto asString = juce::String::fromUTF8 (text.data(), (int) text.size());
            const auto parse = bestSecondsOf ([&] { juce::parseXML (asString); });

            const auto report = folder.getChildFile ("r.xml");
            report.replaceWithData (text.data(), text.size());
            juce::String refusal;
            const auto read = bestSecondsOf ([&] { refusal = readReport (report, {}, [] { return true; }).refusal; });

            std::printf ("%-44s %7.1f %9.3f %9.3f %12.3f %8.1f %s\n", form.name, mebibytesOf (text), guard, parse, read,
                         mebibytesOf (text) / read, refusal.toRawUTF8());
        }
    }

    std::printf ("\n%-44s %7s %9s\n", "settings file form", "MiB", "open s");

    for (const auto& form : forms)
    {
        const auto text = textOf (form, "PROPERTIES", maximumSettingsXmlBytes);
        const auto file = getSettingsFile();
        const auto damaged = file.getSiblingFile ("NOLV51.prefs.damaged");
        double seconds = 1.0e9;

        for (int i = 0; i < 2; ++i)
        {
            file.getParentDirectory().createDirectory();
            file.replaceWithData (text.data(), text.size());
            damaged.deleteFile();
            seconds = std::min (seconds, secondsOf ([] { openSettingsFile(); }));
        }

        std::printf ("%-44s %7.1f %9.3f %s\n", form.name, mebibytesOf (text), seconds, damaged.exists() ? "set aside" : "read");
    }

    juce::Logger::setCurrentLogger (nullptr);
    folder.deleteRecursively();
    return 0;
}
