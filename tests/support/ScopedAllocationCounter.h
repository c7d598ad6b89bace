#pragma once

#include <cstddef>

namespace testsupport
{
/** Counts the heap allocations (malloc, calloc, realloc, and operator new through them) made on
    the calling thread while the object lives; other threads are not counted. The library
    nolv_allocation_counter interposes the C allocator of every test binary that links it.
    The sanitizers bring their own allocator, so under them nothing is counted: tests skip when
    isAvailable() is false. */
class ScopedAllocationCounter
{
public:
    ScopedAllocationCounter();
    ~ScopedAllocationCounter();

    ScopedAllocationCounter (const ScopedAllocationCounter&) = delete;
    ScopedAllocationCounter& operator= (const ScopedAllocationCounter&) = delete;

    size_t getCount() const;

    static constexpr bool isAvailable()
    {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
        return false;
#else
        return true;
#endif
    }

private:
    size_t countBefore;
    bool wasCounting;
};
} // namespace testsupport
