// Chooses the kernel once the CPU is known.
#include <cstring>

#include "extract/kernel.h"

extern const Kernel portable_kernel;
#ifdef FIELDPICK_X86
extern const Kernel sse2_kernel, ssse3_kernel, avx2_kernel, avx512_kernel;
#elif defined(FIELDPICK_NEON)
extern const Kernel neon_kernel;
#endif

namespace {

// Best first.
const Kernel* const built_kernels[] = {
#ifdef FIELDPICK_X86
    &avx512_kernel,   &avx2_kernel, &ssse3_kernel, &sse2_kernel,
#elif defined(FIELDPICK_NEON)
    &neon_kernel,
#endif
    &portable_kernel,
};

} // namespace

const Kernel& chosen_kernel() {
#ifdef FIELDPICK_PINNED_KERNEL
    // A build for tests and benchmarks: the named kernel whatever the CPU.
    for (const Kernel* k : built_kernels)
        if (std::strcmp(k->name, FIELDPICK_PINNED_KERNEL) == 0)
            return *k;
#endif
#ifdef FIELDPICK_X86
    __builtin_cpu_init();
#endif
    for (const Kernel* k : built_kernels)
        if (k->supported())
            return *k;
    return portable_kernel;
}

std::vector<const Kernel*> supported_kernels() {
#ifdef FIELDPICK_X86
    __builtin_cpu_init();
#endif
    std::vector<const Kernel*> all;
    for (const Kernel* k : built_kernels)
        if (k->supported())
            all.push_back(k);
    return all;
}
