// The extraction kernels: one algorithm, compiled once for each instruction
// set, with the best one the CPU runs chosen at start-up.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct Output;

// The bytes of a block that the rules know, one bit per byte (bit i for byte
// i). space is the whole whitespace class, LF and CR included.
template <class Mask> struct ClassMasks {
    Mask lf, cr, nul, space, open_paren, close_paren, open_angle, close_angle, colon;
};
using Classes = ClassMasks<std::uint64_t>; // of a 64-byte block

// Test hooks: what the tests reach of a kernel that the program never calls
// (see extract/probes.h).
struct Probes {
    // The classes of the 64 bytes at p.
    Classes (*classify)(const char* p);
    // Writes the addresses of one logical header line, all of it text.
    void (*print_address)(Output& out, const char* p, std::size_t n);
    // Writes the header value of one logical header line to out (room for n
    // bytes) and returns its length.
    std::size_t (*extract_value)(char* out, const char* p, std::size_t n);
};

struct Kernel {
    const char* name;
    // Whether this CPU runs it.
    bool (*supported)();
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
    const Probes* probes; // for the tests only
};

// Every kernel built in that this CPU runs, best first.
std::vector<const Kernel*> supported_kernels();

// The kernel the program uses: the best this CPU runs, unless the build
// pinned one (FIELDPICK_KERNEL).
const Kernel& chosen_kernel();
