// extract_value and print_address: one logical header line's value and
// addresses, by a kernel. The program never calls them: it prints whole
// fields of its input (Kernel::print_fields). The tests and the fuzz
// targets reach them through the kernel's probes (tests/kernels.h), to hold
// the rules to the model one line at a time.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "extract/output.h"
#include "tests/kernels.h"

// Writes the header value of line into out (room for line.size() bytes) and
// returns its length: the text after the first colon, less its leading
// whitespace and every (comment). A line that starts with whitespace has no
// field name and is all value.
inline std::size_t extract_value(const Kernel& kernel, char* out, std::string_view line) {
    return probes_of(kernel).extract_value(out, line.data(), line.size());
}

// Writes the addresses of one logical header line, each followed by a line
// end: the text between angle brackets if the value holds a "<", else every
// whitespace-separated word.
inline void print_address(const Kernel& kernel, Output& out, std::string_view line) {
    probes_of(kernel).print_address(out, line.data(), line.size());
}

// The value of line, in a buffer with exactly the room it has.
inline std::string value_of(const Kernel& kernel, std::string_view line) {
    std::string value(line.size(), '#');
    value.resize(extract_value(kernel, value.data(), line));
    return value;
}

// What print_address writes through out, which collects into got.
inline std::string_view addresses_of(const Kernel& kernel, Output& out, std::string& got,
                                     std::string_view line) {
    got.clear();
    print_address(kernel, out, line);
    out_flush(out);
    return got;
}
