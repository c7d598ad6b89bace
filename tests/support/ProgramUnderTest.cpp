#include "ProgramUnderTest.h"

#include "WaitUntil.h"

#include <csignal>

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport
{
ProgramUnderTest::ProgramUnderTest (std::vector<std::string> arguments, const juce::File& log)
{
    // Everything the child needs is prepared before the fork: after it, only system calls.
    std::vector<char*> argv;

    for (auto& argument : arguments)
        argv.push_back (argument.data());

    argv.push_back (nullptr);
    const int logFd = ::open (log.getFullPathName().toRawUTF8(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);

    if (logFd < 0)
        return;

    const pid_t parent = getpid();

    if ((pid = fork()) == 0)
    {
        // The signal comes when the thread that forked ends; a parent already gone would send none.
        if (prctl (PR_SET_PDEATHSIG, SIGKILL) != 0 || getppid() != parent)
            _exit (127);

        dup2 (logFd, STDOUT_FILENO);
        dup2 (logFd, STDERR_FILENO);
        signal (SIGPIPE, SIG_DFL);
        execvp (argv[0], argv.data());
        _exit (127);
    }

    ::close (logFd);
}

ProgramUnderTest::~ProgramUnderTest()
{
    kill();
}

void ProgramUnderTest::kill()
{
    int wstatus = 0;

    if (pid > 0 && ! status.has_value() && ::kill (pid, SIGKILL) == 0 && waitpid (pid, &wstatus, 0) == pid)
        status = wstatus;
}

void ProgramUnderTest::terminate()
{
    if (pid > 0 && ! status.has_value())
        ::kill (pid, SIGTERM);
}

bool ProgramUnderTest::reap()
{
    int wstatus = 0;

    if (pid > 0 && ! status.has_value() && waitpid (pid, &wstatus, WNOHANG) == pid)
        status = wstatus;

    return pid <= 0 || status.has_value();
}

bool ProgramUnderTest::isRunning()
{
    return ! reap();
}

bool ProgramUnderTest::succeeds (int timeoutMilliseconds)
{
    waitUntil ([this] { return reap(); }, timeoutMilliseconds);
    return status.has_value() && WIFEXITED (*status) && WEXITSTATUS (*status) == 0;
}

bool runsToSuccess (std::vector<std::string> arguments, const juce::File& log, int timeoutMilliseconds)
{
    return ProgramUnderTest (std::move (arguments), log).succeeds (timeoutMilliseconds);
}

std::optional<std::string> findWindowId (const juce::String& title, const juce::File& scratchFolder)
{
    const auto tree = scratchFolder.getChildFile ("xwininfo.log");
    tree.deleteFile();

    if (! runsToSuccess ({ "xwininfo", "-root", "-tree" }, tree, 5000))
        return std::nullopt;

    for (const auto& line : juce::StringArray::fromLines (tree.loadFileAsString()))
        if (line.contains ("\"" + title + "\""))
            return line.trim().upToFirstOccurrenceOf (" ", false, false).toStdString();

    return std::nullopt;
}

bool takeWindowScreenshot (const juce::String& title, const juce::File& png, const juce::File& scratchFolder)
{
    const auto window = findWindowId (title, scratchFolder);

    return window.has_value()
        && runsToSuccess ({ "import", "-window", *window, png.getFullPathName().toStdString() },
                          scratchFolder.getChildFile ("import.log"));
}
} // namespace testsupport
