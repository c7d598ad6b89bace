#include "ScopedAllocationCounter.h"

namespace
{
__attribute__ ((tls_model ("initial-exec"))) thread_local bool counting = false;
__attribute__ ((tls_model ("initial-exec"))) thread_local size_t allocations = 0;
} // namespace

#if ! (defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__))
// glibc's own entry points, which these forward to. operator new and the framework's heap blocks
// all end up here, so one count sees them all.
extern "C" void* __libc_malloc (size_t);
extern "C" void* __libc_calloc (size_t, size_t);
extern "C" void* __libc_realloc (void*, size_t);
extern "C" void __libc_free (void*);

extern "C" void* malloc (size_t size)
{
    allocations += counting ? 1 : 0;
    return __libc_malloc (size);
}

extern "C" void* calloc (size_t count, size_t size)
{
    allocations += counting ? 1 : 0;
    return __libc_calloc (count, size);
}

extern "C" void* realloc (void* memory, size_t size)
{
    allocations += counting ? 1 : 0;
    return __libc_realloc (memory, size);
}

extern "C" void free (void* memory)
{
    __libc_free (memory);
}
#endif

namespace testsupport
{
ScopedAllocationCounter::ScopedAllocationCounter() : countBefore (allocations), wasCounting (counting) { counting = true; }
ScopedAllocationCounter::~ScopedAllocationCounter() { counting = wasCounting; }
size_t ScopedAllocationCounter::getCount() const { return allocations - countBefore; }
} // namespace testsupport
