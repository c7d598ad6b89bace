#include "LatestMaximumSlot.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace
{
TEST (LatestMaximumSlot, HandsOverTheLatestMaximumOnce)
{
    LatestMaximumSlot slot;
    EXPECT_FALSE (slot.takeIfNew());

    slot.publish ("LUFS", juce::Time (1000), -23.0f);
    slot.publish ("LKFS", juce::Time (2000), -22.5f);

    const auto taken = slot.takeIfNew();
    ASSERT_TRUE (taken);
    EXPECT_EQ (taken->unit, "LKFS");
    EXPECT_EQ (taken->time.toMilliseconds(), 2000);
    EXPECT_EQ (taken->level, -22.5f);
    EXPECT_FALSE (slot.takeIfNew());

    slot.publish ("dBTP", juce::Time (3000), -0.8f);
    slot.discard();
    EXPECT_FALSE (slot.takeIfNew());
}

TEST (LatestMaximumSlot, LongUnitIsCutAtTheLastWholeCharacter)
{
    LatestMaximumSlot slot;
    const auto thirtyOne = juce::String::repeatedString ("u", 31);

    slot.publish (thirtyOne + juce::String::fromUTF8 ("\xc3\xa9"), juce::Time(), 0.0f);
    EXPECT_EQ (slot.takeIfNew()->unit, thirtyOne);

    slot.publish (thirtyOne + "x" + "yz", juce::Time(), 0.0f);
    EXPECT_EQ (slot.takeIfNew()->unit, thirtyOne + "x");
}

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

    auto check = [&] (const LatestMaximumSlot::Maximum& maximum)
    {
        const auto i = maximum.time.toMilliseconds();
        torn += (maximum.unit != units[i % 4] || maximum.level != (float) i || i < last) ? 1 : 0;
        last = i;
        ++taken;
    };

    while (! done)
        if (const auto maximum = slot.takeIfNew())
            check (*maximum);

    publisher.join();

    const auto final = slot.takeIfNew();
    if (final)
        check (*final);

    EXPECT_EQ (torn, 0);
    EXPECT_GT (taken, 0);
    EXPECT_EQ (last, count);
}
} // namespace
