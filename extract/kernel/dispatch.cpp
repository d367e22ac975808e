// Chooses the kernel once the CPU is known.
#include <cstdio>
#include <cstring>

#include "extract/kernel/kernel.h"

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#define FIELDPICK_CPUID
#endif

// The kernels built for this processor, best first: FIELDPICK_KERNELS lists
// them as cmake/kernels.cmake declares them, KERNEL(name) for each.
#define KERNEL(name)                                                                               \
    extern const Kernel name##_kernel;                                                             \
    extern const LineSearches name##_line_searches;
FIELDPICK_KERNELS
#undef KERNEL

namespace {

#define KERNEL(name) &name##_kernel,
const Kernel* const built_kernels[] = {FIELDPICK_KERNELS};
#undef KERNEL

#define KERNEL(name) &name##_line_searches,
const LineSearches* const built_searches[] = {FIELDPICK_KERNELS};
#undef KERNEL

// The words of cpu_features.h as this CPU shows them; none without CPUID.
CpuFeatures this_cpu() {
    CpuFeatures shown{};
#ifdef FIELDPICK_CPUID
    // 0 for a leaf past the CPU's last, or (on 32 bits) where it has no CPUID.
    unsigned eax, ebx, ecx, edx;
    if (__get_cpuid_count(1, 0, &eax, &ebx, &ecx, &edx)) {
        shown.bits[leaf1_ecx] = ecx;
        shown.bits[leaf1_edx] = edx;
        // Volatile: else the compiler may hoist XGETBV above its test, and
        // it faults where the system does not enable it.
        if (ecx & bit_OSXSAVE)
            __asm__ volatile("xgetbv" : "=a"(shown.bits[saved_states]), "=d"(edx) : "c"(0));
    }
    if (__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx)) {
        shown.bits[leaf7_ebx] = ebx;
        shown.bits[leaf7_ecx] = ecx;
    }
#endif
    return shown;
}

} // namespace

bool cpu_has(const CpuFeatures& needed) {
    const CpuFeatures shown = this_cpu();
    for (int w = 0; w < cpu_words; ++w)
        if ((needed.bits[w] & ~shown.bits[w]) != 0)
            return false;
    return true;
}

bool kernel_runs_here(const Kernel& kernel, const char* program) {
    if (cpu_has(kernel.features))
        return true;
    std::fprintf(stderr, "%s: built for CPUs with %s (the %s kernel), which this one lacks\n",
                 program, kernel.needs, kernel.name);
    return false;
}

LineSearches line_searches(const Kernel& kernel) {
    std::size_t i = 0;
    while (built_kernels[i] != &kernel)
        ++i;
    return *built_searches[i];
}

const Kernel& chosen_kernel() {
#ifdef FIELDPICK_PINNED_KERNEL
    // A build for tests and benchmarks: the named kernel whatever the CPU.
    for (const Kernel* k : built_kernels)
        if (std::strcmp(k->name, FIELDPICK_PINNED_KERNEL) == 0)
            return *k;
#endif
    for (const Kernel* k : built_kernels)
        if (cpu_has(k->features))
            return *k;
    return portable_kernel;
}
