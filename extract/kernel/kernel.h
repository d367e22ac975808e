// The extraction kernels: one algorithm, compiled once for each instruction
// set, with the best one the CPU runs chosen at start-up.
#pragma once

#include <cstddef>

#include "extract/kernel/cpu_features.h"

struct Output;

struct Kernel {
    const char* name;
    // The CPU features it needs, as cmake/kernels.cmake names them ("" for
    // none), and as the bits that show them: cpu_has(kernel.features).
    const char* needs;
    CpuFeatures features;
    // Writes the addresses of [p, p + n): whole fields, the last one ended by
    // its LF (see fields_end). Line ends and continuation lines are the
    // input's; a NUL stands just before the LF of a line it cut short.
    void (*print_fields)(Output& out, const char* p, std::size_t n);
    // Where the first NUL or Ctrl-Z of [p, p + n) is, or n.
    std::size_t (*find_stop)(const char* p, std::size_t n);
    // How many bytes at the start of [p, p + n) are whole fields: up to and
    // including the last LF that the bytes after it show to end a field. 0 if
    // there is none.
    std::size_t (*fields_end)(const char* p, std::size_t n);
};

// fieldgrep's searches, each for the first LF of [p, p + n) that a byte of
// some kind follows, or n. Each kernel's unit gives them beside its Kernel,
// apart from it, so that fieldpick is linked without them (CMakeLists.txt).
using FindLine = std::size_t (*)(const char* p, std::size_t n);
struct LineSearches {
    FindLine empty_line; // an LF or a CR after it: through a mailbox's bodies
    FindLine field_line; // neither a space nor a tab: over a header's continuation lines
};

// The kernel the program uses: the best this CPU runs, unless the build
// pinned one (FIELDPICK_KERNEL).
const Kernel& chosen_kernel();

// Whether this CPU runs the kernel, which only a pinned build's may not; if
// not, says so on standard error in the program's name.
bool kernel_runs_here(const Kernel& kernel, const char* program);

// The searches of the kernel's unit (one of the kernels built).
LineSearches line_searches(const Kernel& kernel);
