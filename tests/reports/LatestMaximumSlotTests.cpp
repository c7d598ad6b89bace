#include "LatestMaximumSlot.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

// The writer tests hand maxima over on one thread; only this one races the audio-thread side against the taker.
namespace
{
TEST (LatestMaximumSlot, ReaderNeverSeesAMixOfTwoPublishedMaxima)
{
    LatestMaximumSlot slot;
    const juce::String units[] = { "LUFS", "LKFS", "dBTP", "a much longer unit text here!!" };
    constexpr int count = 200000;
    std::atomic<bool> done { false };

    std::thread publisher ([&]
    {
        for (int i = 1; i <= count; ++i)
            slot.publish (units[i % 4], juce::Time (i), (float) i);

        done = true;
    });

    int taken = 0, torn = 0;
    juce::int64 last = 0;

    for (bool finished = false; ! finished;)
    {
        finished = done; // one more take after the publisher ends picks up its last maximum
        std::optional<LatestMaximumSlot::Maximum> maximum;

        while ((maximum = slot.takeIfNew()))
        {
            const auto i = maximum->time.toMilliseconds();
            torn += (maximum->unit != units[i % 4] || maximum->level != (float) i || i < last) ? 1 : 0;
            last = i;
            ++taken;
        }
    }

    publisher.join();
    EXPECT_EQ (torn, 0);
    EXPECT_GT (taken, 0);
    EXPECT_EQ (last, count);
}
} // namespace
