#include "QuitSignalWatcher.h"

#include <atomic>

namespace
{
std::atomic<bool> quitSignalReceived { false };
static_assert (std::atomic<bool>::is_always_lock_free, "the signal handler may only touch lock-free atomics");

extern "C" void raiseQuitFlag (int)
{
    quitSignalReceived.store (true);
}

constexpr int pollIntervalMilliseconds = 100;
} // namespace

QuitSignalWatcher::QuitSignalWatcher (std::function<void()> callback)
    : onQuitRequested (std::move (callback))
{
    quitSignalReceived.store (false);

    struct sigaction action {};
    action.sa_handler = raiseQuitFlag;
    sigemptyset (&action.sa_mask);
    action.sa_flags = SA_RESTART | SA_RESETHAND;

    // Installed after the framework's own SIGINT handler, which would quit without asking.
    sigaction (SIGTERM, &action, &previousTerminate);
    sigaction (SIGINT, &action, &previousInterrupt);
    sigaction (SIGHUP, &action, &previousHangUp);

    startTimer (pollIntervalMilliseconds);
}

QuitSignalWatcher::~QuitSignalWatcher()
{
    stopTimer();
    sigaction (SIGTERM, &previousTerminate, nullptr);
    sigaction (SIGINT, &previousInterrupt, nullptr);
    sigaction (SIGHUP, &previousHangUp, nullptr);
}

void QuitSignalWatcher::handlePendingSignal()
{
    if (quitSignalReceived.exchange (false) && onQuitRequested != nullptr)
        onQuitRequested();
}
