#pragma once

#include <cstddef>

namespace testsupport
{
/** Counts the allocations through operator new (and so every juce::String, std::vector or
    std::function that allocates) made on the calling thread while the object lives; other threads
    are not counted. The library nolv_allocation_counter replaces the global operator new of every
    test binary that links it. */
class ScopedAllocationCounter
{
public:
    ScopedAllocationCounter();
    ~ScopedAllocationCounter();

    ScopedAllocationCounter (const ScopedAllocationCounter&) = delete;
    ScopedAllocationCounter& operator= (const ScopedAllocationCounter&) = delete;

    size_t getCount() const;

private:
    size_t countBefore;
    bool wasCounting;
};
} // namespace testsupport
