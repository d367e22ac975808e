// The kernels' test of the CPU, against libgcc's __builtin_cpu_supports for
// every feature that cmake/kernels.cmake names: FIELDPICK_CPU_FEATURES is
// FEATURE("name") for each.
#include <gtest/gtest.h>

#include "extract/kernel/cpu_features.h"

namespace {

#if defined(__i386__) || defined(__x86_64__)
TEST(CpuFeatures, AsLibgccSeesThem) {
    __builtin_cpu_init();
    struct Row {
        const char* name;
        bool ours, libgcc;
    };
#define FEATURE(name) {name, cpu_has(cpu_features_named(name)), __builtin_cpu_supports(name) != 0},
    const Row rows[] = {FIELDPICK_CPU_FEATURES};
#undef FEATURE
    for (const Row& row : rows)
        EXPECT_EQ(row.ours, row.libgcc) << row.name;
}
#endif

} // namespace
