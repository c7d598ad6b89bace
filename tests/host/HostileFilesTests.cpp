#include "FilterStateText.h"
#include "HostileFileRows.h"
#include "LoudnessSeries.h"
#include "SettingsFile.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <iostream>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    #define NOLV_SANITIZED 1
#elif defined(__has_feature)
    #if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
        #define NOLV_SANITIZED 1
    #endif
#endif

namespace testsupport
{
namespace
{
std::vector<HostileFileRow>& table()
{
    static std::vector<HostileFileRow> rows;
    return rows;
}
} // namespace

bool addHostileFileRows (std::vector<HostileFileRow> rows)
{
    for (auto& row : rows)
        table().push_back (std::move (row));

    return true;
}
} // namespace testsupport

namespace
{
// Every row's work takes milliseconds; a hang or a start that takes time in the square of a count
// does not end within it.
constexpr unsigned rowTimeLimitSeconds = 20;

/** Runs in the row's own process and never returns: its exit status is the verdict. */
[[noreturn]] void runInThisProcess (const testsupport::HostileFileRow& row)
{
   #ifndef NOLV_SANITIZED
    const rlimit addressSpace { 1ul << 30, 1ul << 30 };
    ::setrlimit (RLIMIT_AS, &addressSpace);
   #endif
    ::alarm (rowTimeLimitSeconds);

    // The shared test main gave this process a temporary home of its own.
    const auto home = juce::File::getSpecialLocation (juce::File::userHomeDirectory);
    auto failure = home.isAChildOf (juce::File::getSpecialLocation (juce::File::tempDirectory))
                       ? juce::String()
                       : "the home folder is no temporary folder";

    if (failure.isEmpty())
    {
        row.setUp (home);
        failure = row.run (home);
        home.deleteRecursively();
    }

    std::cerr << failure << std::endl;
    std::_Exit (failure.isEmpty() ? 0 : 1);
}

// The settings file, met as the application meets it at start: opened, then the stored device
// setup and state read as the main window reads them.
const juce::String settingsHeader = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<PROPERTIES>\n<VALUE name=\"windowX\" val=\"12\"/>\n";

void writeSettings (const juce::String& text)
{
    const auto file = getSettingsFile();
    file.getParentDirectory().createDirectory();
    file.replaceWithText (text);
}

struct StartedSettings
{
    std::unique_ptr<juce::PropertiesFile> settings = openSettingsFile();
    std::unique_ptr<juce::XmlElement> audioSetup = readStoredAudioSetup (*settings);
    bool hasState = [this]
    {
        juce::MemoryBlock state;
        return decodeFilterStateText (settings->getValue ("filterState"), state);
    }();
};

juce::String keptAsideWithDefaults (const juce::File&)
{
    const StartedSettings started;
    const auto file = getSettingsFile();

    if (! file.getSiblingFile ("NOLV51.prefs.damaged").exists())
        return "the file was not kept as NOLV51.prefs.damaged";

    if (started.settings->getAllProperties().size() != 0 || ! file.existsAsFile() || file.getSize() != 0)
        return "the program did not start from default settings";

    return {};
}

const bool settingsRowsAdded = testsupport::addHostileFileRows ({
    { "settings file nesting 100,000 levels under the size limit",
      [] (auto&) { writeSettings (settingsHeader + juce::String::repeatedString ("<a>", 100000) + juce::String::repeatedString ("</a>", 100000) + "</PROPERTIES>\n"); },
      keptAsideWithDefaults },
    { "device setup nesting 40,000 levels inside its escaped value",
      [] (auto&)
      {
          writeSettings (settingsHeader + "<VALUE name=\"audioSetup\" val=\"" + juce::String::repeatedString ("&lt;a&gt;", 40000)
                         + juce::String::repeatedString ("&lt;/a&gt;", 40000) + "\"/>\n</PROPERTIES>\n");
      },
      [] (auto&) -> juce::String
      {
          const StartedSettings started;
          return started.audioSetup != nullptr ? "the device setup was taken"
               : started.settings->getIntValue ("windowX") != 12 ? "the other settings were lost"
                                                                   : "";
      } },
    { "settings file whose document type names /dev/zero, with one undeclared entity",
      [] (auto&)
      {
          writeSettings ("<?xml version=\"1.0\"?>\n<!DOCTYPE PROPERTIES SYSTEM \"/dev/zero\">\n<PROPERTIES>\n"
                         "<VALUE name=\"windowX\" val=\"&x;\"/>\n</PROPERTIES>\n");
      },
      keptAsideWithDefaults },
    { "settings file that is a FIFO",
      [] (auto&)
      {
          getSettingsFile().getParentDirectory().createDirectory();
          ::mkfifo (getSettingsFile().getFullPathName().toRawUTF8(), 0600);
      },
      keptAsideWithDefaults },
    { "settings file of 29,500 keys under the size limit",
      [] (auto&)
      {
          auto text = settingsHeader.toStdString();

          for (int i = 0; i < 29500; ++i)
              text += "<VALUE name=\"key" + std::to_string (i) + "\" val=\"1\"/>\n";

          writeSettings (text + "</PROPERTIES>\n");
      },
      keptAsideWithDefaults },
    { "settings file nesting <a v=\"</b>\"> past the depth bound",
      [] (auto&) { writeSettings (settingsHeader + juce::String::repeatedString ("<a v=\"</b>\">", 80000) + "</PROPERTIES>\n"); },
      keptAsideWithDefaults },
});

// A report's CSV log, read on its own.
const bool csvRowsAdded = testsupport::addHostileFileRows ({
    { "CSV logs that are a FIFO or lead to /dev/zero or /dev/urandom",
      [] (const juce::File& folder)
      {
          ::mkfifo (folder.getChildFile ("fifo.csv").getFullPathName().toRawUTF8(), 0600);
          ::symlink ("/dev/zero", folder.getChildFile ("zero.csv").getFullPathName().toRawUTF8());
          ::symlink ("/dev/urandom", folder.getChildFile ("random.csv").getFullPathName().toRawUTF8());
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
});
} // namespace

TEST (HostileFiles, NeitherCrashNorHangNorExhaustMemoryAndLeaveDefaultsOrAnAsideCopy)
{
    // The test binary is run again for each row, so no row meets a thread, timer or file that
    // the test process or another row left behind.
    GTEST_FLAG_SET (death_test_style, "threadsafe");

    for (const auto& row : testsupport::table())
    {
        SCOPED_TRACE (row.name);
        EXPECT_EXIT (runInThisProcess (row), testing::ExitedWithCode (0), "");
    }
}
