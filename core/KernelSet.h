#pragma once

/** Which build of the engine's inner loops runs. Both give the same readings bit for bit: the AVX2
    build only does the same single- and double-precision operations, in the same order, on wider
    registers, and never fuses a multiply with an add. */
enum class KernelSet
{
    portable,
    avx2
};

/** AVX2 when this processor and its operating system support it, else the portable build; the
    environment variable NOLV_KERNELS=portable keeps the portable build on any processor (the tests
    run that way once, so that both builds are checked on every machine). Chosen once per process. */
KernelSet chosenKernelSet() noexcept;

/** Marks a function to be compiled for AVX2 (without FMA) while the rest of the build keeps its
    baseline; such a function may only be called after chosenKernelSet() chose AVX2. */
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
 #define NOLV_HAS_AVX2_KERNELS 1
 #define NOLV_AVX2_FUNCTION __attribute__ ((target ("avx2")))
#else
 #define NOLV_HAS_AVX2_KERNELS 0
#endif

/** A kernel body written once and compiled into each kernel set's function that calls it. */
#define NOLV_KERNEL_BODY inline __attribute__ ((always_inline))
