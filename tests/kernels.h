// The kernels as the tests, the fuzz targets and the benchmark see them:
// every kernel built in, and the probes that the test build of each kernel's
// unit adds (tests/probes.h). The program has neither.
#pragma once

#include <cstddef>
#include <vector>

#include "extract/classes.h"
#include "extract/kernel/kernel.h"

// What the tests reach of a kernel that the program never calls.
struct Probes {
    // The classes of the 64 bytes at p.
    Classes (*classify)(const char* p);
    // Writes the addresses of one logical header line, all of it text.
    void (*print_address)(Output& out, const char* p, std::size_t n);
    // Writes the header value of one logical header line to out (room for n
    // bytes) and returns its length.
    std::size_t (*extract_value)(char* out, const char* p, std::size_t n);
};

// Every kernel built in that this CPU runs, best first.
std::vector<const Kernel*> supported_kernels();

// The probes of a kernel built in.
const Probes& probes_of(const Kernel& kernel);
