#include "tests/kernels.h"

#include <cstdlib>

// FIELDPICK_KERNELS lists the kernels as cmake/kernels.cmake declares them,
// best first, KERNEL(name) for each. Each one's unit is built again for the
// tests with its probes added (tests/kernels.cmake).
#define KERNEL(name)                                                                               \
    extern const Kernel name##_kernel;                                                             \
    extern const Probes name##_probes;
FIELDPICK_KERNELS
#undef KERNEL

namespace {

struct Built {
    const Kernel* kernel;
    const Probes* probes;
};

#define KERNEL(name) {&name##_kernel, &name##_probes},
const Built built[] = {FIELDPICK_KERNELS};
#undef KERNEL

} // namespace

std::vector<const Kernel*> supported_kernels() {
    std::vector<const Kernel*> all;
    for (const Built& b : built)
        if (cpu_has(b.kernel->features))
            all.push_back(b.kernel);
    return all;
}

const Probes& probes_of(const Kernel& kernel) {
    for (const Built& b : built)
        if (b.kernel == &kernel)
            return *b.probes;
    std::abort(); // every kernel is built with its probes
}
