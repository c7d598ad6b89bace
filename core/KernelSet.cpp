#include "KernelSet.h"

bool isAvailable (KernelSet kernels) noexcept
{
    if (kernels == KernelSet::portable)
        return true;

#if NOLV_HAS_AVX2_KERNELS
    // The check includes the operating system's saving of the wide registers. It may run before
    // the C library's own start-up code has looked at the processor, hence the explicit look.
    __builtin_cpu_init();
    return __builtin_cpu_supports ("avx2");
#else
    return false;
#endif
}

KernelSet fastestKernelSet() noexcept
{
    static const KernelSet fastest = isAvailable (KernelSet::avx2) ? KernelSet::avx2 : KernelSet::portable;
    return fastest;
}
