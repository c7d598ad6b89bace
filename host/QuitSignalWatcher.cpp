#include "QuitSignalWatcher.h"

#include <juce_events/juce_events.h>

#include <atomic>
#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace
{
std::atomic<bool> quitSignalReceived { false };
std::atomic<int> wakeUpFd { -1 };
static_assert (std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free,
               "the signal handler may only touch lock-free atomics");

extern "C" void raiseQuitFlag (int)
{
    const int savedErrno = errno;
    quitSignalReceived.store (true);

    // A full pipe already holds a wake-up; the write never blocks.
    if (const int fd = wakeUpFd.load(); fd >= 0)
    {
        const char byte = 1;
        [[maybe_unused]] const auto written = ::write (fd, &byte, 1);
    }

    errno = savedErrno;
}
} // namespace

QuitSignalWatcher::QuitSignalWatcher (std::function<void()> callback)
    : onQuitRequested (std::move (callback))
{
    quitSignalReceived.store (false);

    if (::pipe2 (wakeUpPipe, O_CLOEXEC | O_NONBLOCK) == 0)
    {
        wakeUpFd.store (wakeUpPipe[1]);
        juce::LinuxEventLoop::registerFdCallback (wakeUpPipe[0], [this] (int fd)
        {
            char bytes[64];

            while (::read (fd, bytes, sizeof (bytes)) > 0)
            {
            }

            handlePendingSignal();
        });
    }

    struct sigaction action {};
    action.sa_handler = raiseQuitFlag;
    sigemptyset (&action.sa_mask);
    action.sa_flags = SA_RESTART | SA_RESETHAND;

    // Installed after the framework's own SIGINT handler, which would quit without asking.
    sigaction (SIGTERM, &action, &previousTerminate);
    sigaction (SIGINT, &action, &previousInterrupt);
    sigaction (SIGHUP, &action, &previousHangUp);
}

QuitSignalWatcher::~QuitSignalWatcher()
{
    sigaction (SIGTERM, &previousTerminate, nullptr);
    sigaction (SIGINT, &previousInterrupt, nullptr);
    sigaction (SIGHUP, &previousHangUp, nullptr);

    if (wakeUpPipe[0] >= 0)
    {
        wakeUpFd.store (-1);
        juce::LinuxEventLoop::unregisterFdCallback (wakeUpPipe[0]);
        ::close (wakeUpPipe[0]);
        ::close (wakeUpPipe[1]);
    }
}

void QuitSignalWatcher::handlePendingSignal()
{
    if (quitSignalReceived.exchange (false) && onQuitRequested != nullptr)
        onQuitRequested();
}
