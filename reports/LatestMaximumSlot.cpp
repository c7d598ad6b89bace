#include "LatestMaximumSlot.h"

#include <cstring>

static_assert (std::atomic<juce::uint32>::is_always_lock_free && std::atomic<juce::int64>::is_always_lock_free
                   && std::atomic<float>::is_always_lock_free && std::atomic<juce::uint64>::is_always_lock_free,
               "publish runs on the audio thread");

void LatestMaximumSlot::publish (const juce::String& unit, juce::Time time, float newLevel) noexcept
{
    const auto* utf8 = unit.toRawUTF8();
    auto length = std::strlen (utf8);

    if (length > maxUnitBytes)
    {
        length = maxUnitBytes;

        while (length > 0 && (static_cast<unsigned char> (utf8[length]) & 0xc0) == 0x80)
            --length;
    }

    std::array<char, maxUnitBytes> bytes {};
    std::memcpy (bytes.data(), utf8, length);

    const auto before = sequence.load (std::memory_order_relaxed);
    sequence.store (before + 1, std::memory_order_relaxed);
    std::atomic_thread_fence (std::memory_order_release);

    millis.store (time.toMilliseconds(), std::memory_order_relaxed);
    level.store (newLevel, std::memory_order_relaxed);

    for (size_t w = 0; w < unitWords; ++w)
    {
        juce::uint64 word;
        std::memcpy (&word, bytes.data() + w * sizeof (word), sizeof (word));
        unitText[w].store (word, std::memory_order_relaxed);
    }

    sequence.store (before + 2, std::memory_order_release);
}

std::optional<LatestMaximumSlot::Maximum> LatestMaximumSlot::takeIfNew()
{
    for (;;)
    {
        const auto before = sequence.load (std::memory_order_acquire);

        if (before == takenSequence)
            return std::nullopt;

        if ((before & 1) != 0)
        {
            juce::Thread::yield();
            continue;
        }

        const auto readMillis = millis.load (std::memory_order_relaxed);
        const auto readLevel = level.load (std::memory_order_relaxed);
        std::array<char, maxUnitBytes + 1> bytes {};

        for (size_t w = 0; w < unitWords; ++w)
        {
            const auto word = unitText[w].load (std::memory_order_relaxed);
            std::memcpy (bytes.data() + w * sizeof (word), &word, sizeof (word));
        }

        std::atomic_thread_fence (std::memory_order_acquire);

        if (sequence.load (std::memory_order_relaxed) != before)
            continue;

        takenSequence = before;
        return Maximum { juce::String::fromUTF8 (bytes.data()), juce::Time (readMillis), readLevel };
    }
}

void LatestMaximumSlot::discard()
{
    takeIfNew();
}
