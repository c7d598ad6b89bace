// program_cpu_bench: what the running program costs. Starts it on a private X server and a private
// JACK dummy server at 48 kHz / 512, plays a steady 1 kHz tone at -23 dBFS into every input it
// uses, and after a warm-up reads /proc over the measuring time: the whole program's share of one
// core and each thread's. Threads are named through the preloaded shim beside this file; one that
// never names itself shows in parentheses the name it inherited from the thread that started it
// (JACK's client threads, the audio callback's among them, inherit the message thread's).
//
//   program_cpu_bench [seconds [warm-up seconds [program]]]     (60, 10 and this build's NOLV51)

#include "JackToneProbe.h"
#include "PrivateJackServer.h"
#include "PrivateXServer.h"
#include "ProgramUnderTest.h"
#include "ScopedEnvironmentVariable.h"
#include "ScopedTemporaryFolder.h"
#include "SettingsFile.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

namespace
{
/** CPU time in nanoseconds, whole process and per thread, from /proc. */
struct CpuSample
{
    double processNs = 0.0; // every thread's, also of threads that have ended
    std::map<int, double> threadNs;
    std::map<int, juce::String> threadComm;
};

juce::String readProcFile (const juce::String& path)
{
    // /proc files report a size of 0, so they are read as streams.
    juce::FileInputStream in { juce::File (path) };
    return in.openedOk() ? in.readEntireStreamAsString() : juce::String();
}

/** utime + stime of a /proc stat line, in nanoseconds; the fields after the command's closing parenthesis. */
double statCpuNs (const juce::String& statLine)
{
    const auto fields = juce::StringArray::fromTokens (statLine.fromLastOccurrenceOf (")", false, false), " ", "");
    const double ticks = fields[12].getDoubleValue() + fields[13].getDoubleValue(); // fields 14 and 15 of proc(5)
    return ticks * 1.0e9 / (double) sysconf (_SC_CLK_TCK);
}

CpuSample sample (pid_t pid)
{
    CpuSample s;
    s.processNs = statCpuNs (readProcFile ("/proc/" + juce::String (pid) + "/stat"));

    for (const auto& task : juce::File ("/proc/" + juce::String (pid) + "/task").findChildFiles (juce::File::findDirectories, false))
    {
        const int tid = task.getFileName().getIntValue();
        // schedstat's first field is the time on a CPU in nanoseconds, finer than stat's ticks.
        s.threadNs[tid] = readProcFile (task.getFullPathName() + "/schedstat").upToFirstOccurrenceOf (" ", false, false).getDoubleValue();
        s.threadComm[tid] = readProcFile (task.getFullPathName() + "/comm").trim();
    }

    return s;
}

/** Thread id to the full name the shim logged, the last name a thread gave itself. */
std::map<int, juce::String> loggedThreadNames (const juce::File& log)
{
    std::map<int, juce::String> names;

    for (const auto& line : juce::StringArray::fromLines (log.loadFileAsString()))
        if (line.containsChar ('\t'))
            names[line.upToFirstOccurrenceOf ("\t", false, false).getIntValue()] = line.fromFirstOccurrenceOf ("\t", false, false);

    return names;
}

double percentOfOneCore (double ns, double seconds) { return 100.0 * ns / (seconds * 1.0e9); }

int fail (const juce::String& why, const juce::File& log = {})
{
    std::fprintf (stderr, "program_cpu_bench: %s\n%s\n", why.toRawUTF8(), log.exists() ? log.loadFileAsString().toRawUTF8() : "");
    return 1;
}
} // namespace

int main (int argc, char** argv)
{
    const double seconds = argc > 1 ? std::atof (argv[1]) : 60.0;
    const double warmUp = argc > 2 ? std::atof (argv[2]) : 10.0;
    const std::string program = argc > 3 ? argv[3] : NOLV_PROGRAM_PATH;

    if (! (seconds > 0.0) || ! (warmUp >= 0.0))
        return fail ("usage: program_cpu_bench [seconds [warm-up seconds [program]]]");

    juce::ScopedJuceInitialiser_GUI juce;
    testsupport::ScopedTemporaryFolder work, home;
    testsupport::ScopedEnvironmentVariable homeVariable ("HOME", home.getFolder().getFullPathName().toStdString());

    for (auto* name : { "XDG_STATE_HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME" })
        ::unsetenv (name);

    constexpr double sampleRate = 48000.0;
    testsupport::PrivateJackServer jack (work.getFolder(), (int) sampleRate);
    testsupport::PrivateXServer display (work.getFolder());

    if (! jack.waitUntilRunning())
        return fail ("the JACK server did not start", jack.getLog());

    if (! display.waitUntilRunning())
        return fail ("the X server did not start", display.getLog());

    {
        auto settings = openSettingsFile();
        settings->setValue ("audioSetup", "<DEVICESETUP deviceType=\"JACK\" audioOutputDeviceName=\"system\" audioInputDeviceName=\"system\"/>");

        if (! saveSettingsFile (*settings))
            return fail ("the settings could not be written");
    }

    const auto threadNameLog = work.getChildFile ("thread-names.log");
    const auto programLog = work.getChildFile ("program.log");
    std::unique_ptr<testsupport::ProgramUnderTest> nolv;
    {
        testsupport::ScopedEnvironmentVariable preload ("LD_PRELOAD", NOLV_THREAD_NAME_SHIM);
        testsupport::ScopedEnvironmentVariable nameLog ("NOLV_THREAD_NAME_LOG", threadNameLog.getFullPathName().toStdString());
        nolv = std::make_unique<testsupport::ProgramUnderTest> (std::vector<std::string> { program }, programLog);
    }

    const float amplitude = std::pow (10.0f, -23.0f / 20.0f);
    const testsupport::JackToneProbe::Tone tone { 1000.0, amplitude };
    testsupport::JackToneProbe probe ({ tone, tone, tone, tone, tone, tone }, sampleRate);

    if (! probe.plugInto ("NOLV51"))
        return fail ("the program's JACK ports did not settle", programLog);

    std::this_thread::sleep_for (std::chrono::duration<double> (warmUp));
    const pid_t pid = nolv->getPid();
    const auto before = sample (pid);
    std::this_thread::sleep_for (std::chrono::duration<double> (seconds));
    const auto after = sample (pid);

    if (! nolv->isRunning())
        return fail ("the program ended while it was measured", programLog);

    const auto names = loggedThreadNames (threadNameLog);
    std::printf ("%s on the meter page, 48 kHz / 512, a steady tone; %.0f s after a %.0f s warm-up\n", program.c_str(), seconds, warmUp);
    std::printf ("whole program: %.2f %% of one core\n", percentOfOneCore (after.processNs - before.processNs, seconds));

    std::vector<std::pair<double, juce::String>> rows;

    for (const auto& [tid, ns] : after.threadNs)
    {
        const auto start = before.threadNs.find (tid);
        const double used = ns - (start != before.threadNs.end() ? start->second : 0.0);
        const auto named = names.find (tid);
        const auto name = tid == pid ? juce::String ("message thread") : named != names.end() ? named->second : "(" + after.threadComm.at (tid) + ")";
        rows.emplace_back (percentOfOneCore (used, seconds), name + "  [" + juce::String (tid) + "]");
    }

    std::sort (rows.begin(), rows.end(), [] (const auto& a, const auto& b) { return a.first > b.first; });

    for (const auto& [percent, name] : rows)
        std::printf ("  %6.3f %%  %s\n", percent, name.toRawUTF8());

    nolv->terminate();
    nolv->succeeds (10000);
    return 0;
}
