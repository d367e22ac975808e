// The harness of the unit tests: each test is written once, as
// TEST_P(Suite, Name) with kernel() the kernel it runs on, and
// EVERY_KERNEL(Suite) runs it on every kernel this CPU runs, the kernel's
// name ending the test's name (Kernels/Suite.Name/avx2).
#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "tests/kernels.h"

struct EveryKernel : testing::TestWithParam<const Kernel*> {
    static const Kernel& kernel() { return *GetParam(); }
};

inline void PrintTo(const Kernel* kernel, std::ostream* os) {
    *os << kernel->name;
}

inline std::string kernel_name(const testing::TestParamInfo<const Kernel*>& info) {
    return info.param->name;
}

#define EVERY_KERNEL(Suite)                                                                        \
    using Suite = EveryKernel;                                                                     \
    INSTANTIATE_TEST_SUITE_P(Kernels, Suite, testing::ValuesIn(supported_kernels()), kernel_name)
