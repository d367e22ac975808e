// Chooses the kernel once the CPU is known.
#include <cstring>

#include "extract/kernel/kernel.h"

// The kernels built for this processor, best first: FIELDPICK_KERNELS lists
// them as cmake/kernels.cmake declares them, KERNEL(name) for each.
#define KERNEL(name) extern const Kernel name##_kernel;
FIELDPICK_KERNELS
#undef KERNEL

namespace {

#define KERNEL(name) &name##_kernel,
const Kernel* const built_kernels[] = {FIELDPICK_KERNELS};
#undef KERNEL

} // namespace

const Kernel& chosen_kernel() {
#ifdef FIELDPICK_PINNED_KERNEL
    // A build for tests and benchmarks: the named kernel whatever the CPU.
    for (const Kernel* k : built_kernels)
        if (std::strcmp(k->name, FIELDPICK_PINNED_KERNEL) == 0)
            return *k;
#endif
    for (const Kernel* k : built_kernels)
        if (k->supported())
            return *k;
    return portable_kernel;
}
