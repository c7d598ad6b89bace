#include "KernelSet.h"

#include <cstdlib>
#include <cstring>

namespace
{
KernelSet choose() noexcept
{
    if (const char* forced = std::getenv ("NOLV_KERNELS"); forced != nullptr && std::strcmp (forced, "portable") == 0)
        return KernelSet::portable;

#if NOLV_HAS_AVX2_KERNELS
    // The check includes the operating system's saving of the wide registers. It may run before
    // the C library's own start-up code has looked at the processor, hence the explicit look.
    __builtin_cpu_init();
    return __builtin_cpu_supports ("avx2") ? KernelSet::avx2 : KernelSet::portable;
#else
    return KernelSet::portable;
#endif
}
} // namespace

KernelSet chosenKernelSet() noexcept
{
    static const KernelSet chosen = choose();
    return chosen;
}
