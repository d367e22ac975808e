// The CPU features a kernel may need, by the names cmake/kernels.cmake gives
// them (as __builtin_cpu_supports spells them), each with the bit of CPUID's
// answer that shows it: one table, read when the kernels are compiled.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string_view>

// The words an x86 CPU shows its features in: the registers of CPUID's
// answers for leaves 1 and 7, and XCR0, the register states the system saves
// (without which a task switch would lose the AVX or AVX-512 registers).
enum CpuWord { leaf1_ecx, leaf1_edx, leaf7_ebx, leaf7_ecx, saved_states, cpu_words };

// Bits of each word: those a kernel needs, or those a CPU shows.
struct CpuFeatures {
    std::uint32_t bits[cpu_words];
};

struct CpuFeature {
    std::string_view name;
    CpuWord word;
    int bit;
    std::uint32_t states; // what XCR0 must hold besides
};

constexpr std::uint32_t avx_states = 0x06;    // XMM, YMM
constexpr std::uint32_t avx512_states = 0xe6; // and the masks, ZMM's upper halves, ZMM16-31

constexpr CpuFeature cpu_feature_table[] = {
    {"sse2", leaf1_edx, 26, 0},
    {"ssse3", leaf1_ecx, 9, 0},
    {"popcnt", leaf1_ecx, 23, 0},
    {"avx2", leaf7_ebx, 5, avx_states},
    {"bmi", leaf7_ebx, 3, 0},
    {"bmi2", leaf7_ebx, 8, 0},
    {"avx512f", leaf7_ebx, 16, avx512_states},
    {"avx512bw", leaf7_ebx, 30, avx512_states},
    {"avx512vbmi2", leaf7_ecx, 6, avx512_states},
};

constexpr const CpuFeature& cpu_feature_named(std::string_view name) {
    for (const CpuFeature& feature : cpu_feature_table)
        if (feature.name == name)
            return feature;
    throw "a CPU feature that cpu_feature_table lacks"; // where constant: a compile error
}

// The features named in names, separated by spaces.
constexpr CpuFeatures cpu_features_named(std::string_view names) {
    CpuFeatures needed{};
    while (!names.empty()) {
        const std::size_t end = std::min(names.find(' '), names.size());
        if (end > 0) {
            const CpuFeature& feature = cpu_feature_named(names.substr(0, end));
            needed.bits[feature.word] |= std::uint32_t{1} << feature.bit;
            needed.bits[saved_states] |= feature.states;
        }
        names.remove_prefix(std::min(end + 1, names.size()));
    }
    return needed;
}

// Whether this CPU has every feature of needed, by CPUID and XGETBV
// (kernel/dispatch.cpp). Only x86 kernels need any.
bool cpu_has(const CpuFeatures& needed);
