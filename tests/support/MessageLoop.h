#pragma once

#include <juce_events/juce_events.h>

namespace testsupport
{
/** Runs the message loop until every message posted before the call has been delivered, and the
    messages those post in turn, down to the given depth of such chains. Each round posts a message
    of its own and returns once it comes, the queue being first in, first out; so no round takes
    longer than the messages need. The default covers the device page's longest chain: a choice's
    broadcast, the drop boxes' pass it queues, that pass's broadcast, and the boxes' notices. */
inline void runPostedMessages (int depth = 4)
{
    for (int round = 0; round < depth; ++round)
    {
        bool delivered = false;
        juce::MessageManager::callAsync ([&delivered] { delivered = true; });

        while (! delivered)
            juce::MessageManager::getInstance()->runDispatchLoopUntil (1);
    }
}
} // namespace testsupport
