#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <type_traits>

/** A value that one thread publishes whole and any number of threads copy whole, without a lock:
    the writer never waits, and a reader that overlapped a write copies again. The payload is kept in
    relaxed atomic words, so no byte of it is ever a data race. Writers must not overlap each other. */
template <typename Value>
class SeqLock
{
    static_assert (std::is_trivially_copyable_v<Value>, "copied as raw bytes");

public:
    SeqLock() { publish (Value {}); }
    explicit SeqLock (const Value& initial) { publish (initial); }

    void publish (const Value& value) noexcept
    {
        Words words {};
        std::memcpy (words.data(), &value, sizeof (Value));
        const auto sequence = version.load (std::memory_order_relaxed);
        version.store (sequence + 1, std::memory_order_relaxed);
        std::atomic_thread_fence (std::memory_order_release);

        for (size_t i = 0; i < numWords; ++i)
            payload[i].store (words[i], std::memory_order_relaxed);

        version.store (sequence + 2, std::memory_order_release);
    }

    Value read() const noexcept
    {
        std::uint32_t publishedAs = 0;
        return read (publishedAs);
    }

    /** Also tells which publication was read, so that a reader can tell whether a newer one came. */
    Value read (std::uint32_t& publishedAs) const noexcept
    {
        Words words {};

        for (;;)
        {
            const auto before = version.load (std::memory_order_acquire);

            if ((before & 1) == 0)
            {
                for (size_t i = 0; i < numWords; ++i)
                    words[i] = payload[i].load (std::memory_order_relaxed);

                std::atomic_thread_fence (std::memory_order_acquire);

                if (version.load (std::memory_order_relaxed) == before)
                {
                    publishedAs = before;
                    break;
                }
            }
        }

        Value value;
        std::memcpy (static_cast<void*> (&value), words.data(), sizeof (Value));
        return value;
    }

private:
    static constexpr size_t numWords = (sizeof (Value) + sizeof (std::uint64_t) - 1) / sizeof (std::uint64_t);
    using Words = std::array<std::uint64_t, numWords>;

    std::array<std::atomic<std::uint64_t>, numWords> payload {};
    std::atomic<std::uint32_t> version { 0 };
};
