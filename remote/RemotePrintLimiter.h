#pragma once

#include <functional>
#include <mutex>

/** Bounds what the remote server prints, since every line is caused by a client: at most
    linesPerSecond lines a second from all connections together, then one line a second saying how
    many were left out. Any thread; lines print under one lock, so they never interleave. */
class RemotePrintLimiter
{
public:
    static constexpr int linesPerSecond = 5;

    /** clockMs: a steady clock in milliseconds, read on every line. */
    explicit RemotePrintLimiter (std::function<double()> clockMs);

    /** Calls printLine when this second allows one more line; otherwise only counts it, so a line
        left out costs no formatting. */
    template <typename PrintLine>
    void print (PrintLine&& printLine)
    {
        const std::lock_guard<std::mutex> lock (mutex);
        startSecondIfDue();

        if (printedThisSecond >= linesPerSecond)
        {
            ++leftOut;
            return;
        }

        ++printedThisSecond;
        printLine();
    }

    /** Tells the lines left out once their second has passed, even when no further line comes. */
    void tick();

private:
    void startSecondIfDue();

    const std::function<double()> clock;
    std::mutex mutex;
    double secondStart;
    int printedThisSecond = 0;
    long long leftOut = 0;
};
