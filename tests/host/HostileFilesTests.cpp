#include "LoudnessSeries.h"
#include "NolvResources.h"
#include "OVEXReport.h"
#include "OvexjuceLoudnessAudioProcessor.h"
#include "ScopedTemporaryFolder.h"
#include "SettingsFile.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <functional>
#include <iostream>
#include <vector>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
/** One hostile case: setUp puts files in the row's folder (a temporary home of its own), run
    meets them with the program's own code and says what went wrong, or nothing. */
struct HostileFileRow
{
    const char* name;
    std::function<void (const juce::File& folder)> setUp;
    std::function<juce::String (const juce::File& folder)> run;
};

// Every row's work takes milliseconds of processor time; a busy hang, or a start that takes time
// in the square of a count, does not end within this. Sanitizers make the same work several times
// slower, and a loaded machine makes it wait for a core: the limit is on the row's processor time,
// and only a row that waits for ever (on a FIFO, say) meets the far longer one on the clock.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr unsigned sanitizerSlowdown = 8;
#else
constexpr unsigned sanitizerSlowdown = 1;
#endif
constexpr unsigned rowProcessorSeconds = 20 * sanitizerSlowdown;
constexpr unsigned rowClockSeconds = 60 * sanitizerSlowdown;

/** The symbolic links the row's process made, each to be found inside its home at the end. */
std::vector<juce::File> linksMade;

void makeLink (const juce::File& link, const char* target)
{
    linksMade.push_back (link);
    ::symlink (target, link.getFullPathName().toRawUTF8());
}

[[noreturn]] void endOverTime (int signal)
{
    const char* const message = signal == SIGXCPU ? "the row used up its processor time\n"
                                                  : "the row ran out of time\n";
    ::write (STDERR_FILENO, message, std::strlen (message));
    std::_Exit (1);
}

/** What the row wrote, or made links at, outside its home. */
juce::String writtenOutside (const juce::File& home)
{
    juce::StringArray outside;

    for (const auto& file : { getSettingsFile(), getSettingsFile().getSiblingFile ("NOLV51.prefs.damaged") })
        if (! testsupport::leadsOnlyInside (file, home))
            outside.add (file.getFullPathName());

    for (const auto& link : linksMade)
        if (! link.isAChildOf (home))
            outside.add (link.getFullPathName());

    return outside.isEmpty() ? "" : "outside its home: " + outside.joinIntoString (", ");
}

/** In the row's own process; its exit status is the verdict. */
[[noreturn]] void runInThisProcess (const HostileFileRow& row)
{
   #if ! defined(__SANITIZE_ADDRESS__) && ! defined(__SANITIZE_THREAD__)
    const rlimit addressSpace { 1ul << 30, 1ul << 30 };
    ::setrlimit (RLIMIT_AS, &addressSpace);
   #endif
    const rlimit processorTime { rowProcessorSeconds, rowProcessorSeconds + 5 };
    ::setrlimit (RLIMIT_CPU, &processorTime);
    std::signal (SIGXCPU, endOverTime);
    std::signal (SIGALRM, endOverTime);
    ::alarm (rowClockSeconds);

    // The shared test main gave this process a temporary home of its own.
    const auto home = juce::File::getSpecialLocation (juce::File::userHomeDirectory);
    row.setUp (home);
    auto failure = row.run (home);
    const auto outside = writtenOutside (home);
    failure = failure.isEmpty() ? outside : failure;
    home.deleteRecursively();
    std::cerr << failure << std::endl;
    std::_Exit (failure.isEmpty() ? 0 : 1);
}

// The settings file as the application opens it at start, with the device setup read as the
// main window reads it.
const std::string settingsHead =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<PROPERTIES>\n<VALUE name=\"windowX\" val=\"12\"/>\n";

std::function<void (const juce::File&)> settingsOf (const std::function<std::string()>& text)
{
    return [text] (const juce::File&)
    {
        getSettingsFile().getParentDirectory().createDirectory();
        const auto bytes = text();
        getSettingsFile().replaceWithData (bytes.data(), bytes.size());
    };
}

std::string repeated (const std::string& text, int times)
{
    std::string result;

    for (int i = 0; i < times; ++i)
        result += text;

    return result;
}

/** Elements nested `levels` deep, as a quoted value holds them. */
std::string escapedNesting (int levels)
{
    return repeated ("&lt;a&gt;", levels) + repeated ("&lt;/a&gt;", levels);
}

std::string storedAudioSetup (const std::string& escaped)
{
    return "<VALUE name=\"audioSetup\" val=\"" + escaped + "\"/>\n";
}

juce::String keptAsideWithDefaults (const juce::File&)
{
    const auto settings = openSettingsFile();
    const auto file = getSettingsFile();

    if (! file.getSiblingFile ("NOLV51.prefs.damaged").exists())
        return "the file was not kept as NOLV51.prefs.damaged";

    return settings->getAllProperties().size() == 0 && readStoredAudioSetup (*settings) == nullptr && file.getSize() == 0
               ? ""
               : "the program did not start from default settings";
}

// A report as the log page meets it: listed in its folder, selected, read on the page's own thread.
const char* const reportText = "<QIT5.1Log><UserSelectedTitle value=\"QIT51Log\"/></QIT5.1Log>\n";

std::function<void (const juce::File&)> reportOf (const std::function<std::string()>& text)
{
    return [text] (const juce::File& folder)
    {
        const auto bytes = text();
        folder.getChildFile ("r.xml").replaceWithData (bytes.data(), bytes.size());
    };
}

std::function<void (const juce::File&)> reportWithCsvAt (const char* target)
{
    return [target] (const juce::File& folder)
    {
        folder.getChildFile ("r.xml").replaceWithText (reportText);
        const auto csv = folder.getChildFile ("r.csv");

        if (target == nullptr)
            ::mkfifo (csv.getFullPathName().toRawUTF8(), 0600);
        else
            makeLink (csv, target);
    };
}

/** Selects the folder's report "r.xml" in the log page and checks the title it comes to show,
    and that no history is drawn. */
std::function<juce::String (const juce::File&)> pageShows (const juce::String& expectedTitle)
{
    return [expectedTitle] (const juce::File& folder) -> juce::String
    {
        OVEXReport page (nolvFont (15.0f));
        page.setLogFolder (folder.getFullPathName());
        auto& list = page.getFolderList();
        const auto& title = *dynamic_cast<juce::Label*> (page.findChildWithID ("title"));

        // The row's time limit ends a page that never gets there.
        while (list.getNumRows() == 0)
            juce::MessageManager::getInstance()->runDispatchLoopUntil (10);

        list.selectRow (0);

        while (title.getText().isEmpty())
            juce::MessageManager::getInstance()->runDispatchLoopUntil (10);

        if (title.getText() != expectedTitle)
            return "the title reads \"" + title.getText() + "\"";

        return page.getLogDrawer().getHistory().getNumPoints() == 0 ? "" : "a history is drawn";
    };
}

const HostileFileRow rows[] = {
    { "settings file nesting 100,000 levels under the size limit",
      settingsOf ([] { return settingsHead + repeated ("<a>", 100000) + repeated ("</a>", 100000) + "</PROPERTIES>\n"; }),
      keptAsideWithDefaults },
    { "device setup nesting 1,000 levels inside its escaped value",
      settingsOf ([] { return settingsHead + storedAudioSetup (escapedNesting (1000)) + "</PROPERTIES>\n"; }),
      [] (const juce::File&) -> juce::String
      {
          const auto settings = openSettingsFile();
          return readStoredAudioSetup (*settings) == nullptr && settings->getIntValue ("windowX") == 12
                     ? ""
                     : "the device setup was taken, or the other settings lost";
      } },
    // 160,000 references in one value: the parser would copy the value whole for each.
    { "device setup nesting 40,000 levels inside its escaped value",
      settingsOf ([] { return settingsHead + storedAudioSetup (escapedNesting (40000)) + "</PROPERTIES>\n"; }),
      keptAsideWithDefaults },
    { "settings file whose document type names /dev/zero, with one undeclared entity",
      settingsOf ([]
      {
          return std::string ("<?xml version=\"1.0\"?>\n<!DOCTYPE PROPERTIES SYSTEM \"/dev/zero\">\n<PROPERTIES>\n"
                              "<VALUE name=\"windowX\" val=\"&x;\"/>\n</PROPERTIES>\n");
      }),
      keptAsideWithDefaults },
    { "settings file nesting 200,000 levels behind an '&' the parser reads up to the next ';'",
      settingsOf ([] { return settingsHead + "&x<!--;" + repeated ("<a>", 200000) + "--></PROPERTIES>\n"; }),
      keptAsideWithDefaults },
    { "settings file of a million '&'",
      settingsOf ([] { return settingsHead + std::string (1000000, '&') + "</PROPERTIES>\n"; }),
      keptAsideWithDefaults },
    { "settings file with text after an instruction",
      settingsOf ([] { return settingsHead + "<?x?>text</PROPERTIES>\n"; }),
      keptAsideWithDefaults },
    { "settings file that is a FIFO",
      [] (const juce::File&)
      {
          getSettingsFile().getParentDirectory().createDirectory();
          ::mkfifo (getSettingsFile().getFullPathName().toRawUTF8(), 0600);
      },
      keptAsideWithDefaults },
    { "settings file of 29,500 keys under the size limit",
      settingsOf ([]
      {
          auto text = settingsHead;

          for (int i = 0; i < 29500; ++i)
              text += "<VALUE name=\"key" + std::to_string (i) + "\" val=\"1\"/>\n";

          return text + "</PROPERTIES>\n";
      }),
      keptAsideWithDefaults },
    { "settings file nesting <a v=\"</b>\"> past the depth bound",
      settingsOf ([] { return settingsHead + repeated ("<a v=\"</b>\">", 80000) + "</PROPERTIES>\n"; }),
      keptAsideWithDefaults },
    { "CSV logs that are a FIFO or lead to /dev/zero or /dev/urandom, read on their own",
      [] (const juce::File& folder)
      {
          ::mkfifo (folder.getChildFile ("fifo.csv").getFullPathName().toRawUTF8(), 0600);
          makeLink (folder.getChildFile ("zero.csv"), "/dev/zero");
          makeLink (folder.getChildFile ("random.csv"), "/dev/urandom");
      },
      [] (const juce::File& folder) -> juce::String
      {
          for (auto* name : { "fifo.csv", "zero.csv", "random.csv" })
          {
              LoudnessSeries series;

              if (series.readCsvLog (folder.getChildFile (name)) != XmlRefusal::notRegularFile || ! series.isEmpty())
                  return juce::String (name) + " was read";
          }

          return {};
      } },
    { "report nesting 1,000,000 levels",
      reportOf ([] { return "<QIT5.1Log>" + repeated ("<a>", 1000000) + repeated ("</a>", 1000000) + "</QIT5.1Log>"; }),
      pageShows ("r.xml: cannot be read (malformed)") },
    { "report nesting 200,000 levels behind an '&' the parser reads up to the next ';'",
      reportOf ([] { return "<QIT5.1Log>&x<!--;" + repeated ("<a>", 200000) + "--></QIT5.1Log>"; }),
      pageShows ("r.xml: cannot be read (malformed)") },
    { "report whose document type names /dev/zero, with one undeclared entity",
      reportOf ([]
      {
          return std::string ("<?xml version=\"1.0\"?>\n<!DOCTYPE QIT5.1Log SYSTEM \"/dev/zero\">\n"
                              "<QIT5.1Log><UserSelectedTitle value=\"&x;\"/></QIT5.1Log>\n");
      }),
      pageShows ("r.xml: cannot be read (malformed)") },
    { "report that is a link to /dev/zero",
      [] (const juce::File& folder) { makeLink (folder.getChildFile ("r.xml"), "/dev/zero"); },
      pageShows ("r.xml: cannot be read (not a regular file)") },
    { "report that is a FIFO",
      [] (const juce::File& folder) { ::mkfifo (folder.getChildFile ("r.xml").getFullPathName().toRawUTF8(), 0600); },
      pageShows ("r.xml: cannot be read (not a regular file)") },
    { "report whose CSV log is a FIFO", reportWithCsvAt (nullptr), pageShows ("r") },
    { "report whose CSV log is a link to /dev/zero", reportWithCsvAt ("/dev/zero"), pageShows ("r") },
    { "report whose CSV log is a link to /dev/urandom", reportWithCsvAt ("/dev/urandom"), pageShows ("r") },
    { "report with a 100 MB attribute",
      reportOf ([] { return "<QIT5.1Log><UserSelectedTitle value=\"" + std::string (100000000, 'x') + "\"/></QIT5.1Log>"; }),
      pageShows ("r.xml: cannot be read (too large)") },
    { "saved state nesting 9,000 levels behind a quote in a comment",
      [] (const juce::File&) {},
      [] (const juce::File&) -> juce::String
      {
          const auto text = "<!-- \" --><MYPLUGINSETTINGS shtMaxLevel=\"-5\">" + repeated ("<a>", 9000) + repeated ("</a>", 9000)
                          + "</MYPLUGINSETTINGS>";
          juce::MemoryBlock blob;
          juce::MemoryOutputStream out (blob, false);
          out.writeInt (0x21324356);
          out.writeInt ((int) text.size());
          out.write (text.data(), text.size());
          out.flush();

          OvexjuceLoudnessAudioProcessor processor (nullptr);
          processor.setStateInformation (blob.getData(), (int) blob.getSize());
          return processor.params.shtMaxLevel == ParameterBlock().shtMaxLevel ? "" : "the state was taken";
      } },
};
} // namespace

TEST (HostileFiles, NeitherCrashNorHangNorExhaustMemoryAndLeaveDefaultsOrAnAsideCopy)
{
    // The test binary is run again for each row, so no row meets a thread, timer or file that the
    // test process or another row left behind.
    GTEST_FLAG_SET (death_test_style, "threadsafe");

    for (const auto& row : rows)
    {
        SCOPED_TRACE (row.name);
        EXPECT_EXIT (runInThisProcess (row), testing::ExitedWithCode (0), "");
    }
}
