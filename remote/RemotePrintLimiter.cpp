#include "RemotePrintLimiter.h"

#include <iostream>
#include <limits>
#include <utility>

RemotePrintLimiter::RemotePrintLimiter (std::function<double()> clockMs)
    : clock (std::move (clockMs)), secondStart (-std::numeric_limits<double>::infinity())
{
}

void RemotePrintLimiter::tick()
{
    const std::lock_guard<std::mutex> lock (mutex);
    startSecondIfDue();
}

void RemotePrintLimiter::startSecondIfDue()
{
    const auto now = clock();

    if (now - secondStart < 1000.0)
        return;

    secondStart = now;
    printedThisSecond = 0;

    if (leftOut > 0)
        std::cout << "\nremote server: " << leftOut << " messages not printed" << std::flush;

    leftOut = 0;
}
