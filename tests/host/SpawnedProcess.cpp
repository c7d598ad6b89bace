#include "SpawnedProcess.h"

#include <chrono>
#include <thread>

#include <csignal>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

SpawnedProcess::SpawnedProcess (const std::vector<std::string>& arguments, const juce::File& logFile)
    : log (logFile)
{
    // Everything the child needs is prepared before the fork: after it, only system calls.
    std::vector<char*> argv;

    for (const auto& argument : arguments)
        argv.push_back (const_cast<char*> (argument.c_str()));

    argv.push_back (nullptr);

    const int logFd = ::open (log.getFullPathName().toRawUTF8(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);

    if (logFd < 0)
        return;

    const pid_t parent = getpid();
    pid = fork();

    if (pid == 0)
    {
        prctl (PR_SET_PDEATHSIG, SIGKILL);

        if (getppid() != parent)
            _exit (127);

        dup2 (logFd, STDOUT_FILENO);
        dup2 (logFd, STDERR_FILENO);
        signal (SIGPIPE, SIG_DFL);
        execvp (argv[0], argv.data());
        _exit (127);
    }

    ::close (logFd);
}

SpawnedProcess::~SpawnedProcess()
{
    if (pid > 0 && ! exitStatus.has_value())
    {
        kill (pid, SIGKILL);
        waitpid (pid, nullptr, 0);
    }
}

void SpawnedProcess::sendSignal (int signalNumber)
{
    if (pid > 0 && ! exitStatus.has_value())
        kill (pid, signalNumber);
}

std::optional<int> SpawnedProcess::waitForExit (int timeoutMilliseconds)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds (timeoutMilliseconds);

    while (pid > 0 && ! exitStatus.has_value())
    {
        int status = 0;

        if (waitpid (pid, &status, WNOHANG) == pid)
            exitStatus = status;
        else if (std::chrono::steady_clock::now() > deadline)
            break;
        else
            std::this_thread::sleep_for (std::chrono::milliseconds (10));
    }

    return exitStatus;
}

bool runToSuccess (const std::vector<std::string>& arguments, const juce::File& log, int timeoutMilliseconds)
{
    SpawnedProcess process (arguments, log);
    const auto status = process.waitForExit (timeoutMilliseconds);
    return status.has_value() && WIFEXITED (*status) && WEXITSTATUS (*status) == 0;
}
