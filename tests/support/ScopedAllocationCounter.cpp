#include "ScopedAllocationCounter.h"

#include <cstdlib>
#include <new>

namespace
{
thread_local bool counting = false;
thread_local size_t allocations = 0;
} // namespace

// The library's array forms forward to these.
void* operator new (std::size_t size)
{
    allocations += counting ? 1 : 0;

    if (auto* memory = std::malloc (size == 0 ? 1 : size))
        return memory;

    throw std::bad_alloc();
}

void operator delete (void* memory) noexcept { std::free (memory); }
void operator delete (void* memory, std::size_t) noexcept { std::free (memory); }

namespace testsupport
{
ScopedAllocationCounter::ScopedAllocationCounter() : countBefore (allocations), wasCounting (counting) { counting = true; }
ScopedAllocationCounter::~ScopedAllocationCounter() { counting = wasCounting; }
size_t ScopedAllocationCounter::getCount() const { return allocations - countBefore; }
} // namespace testsupport
