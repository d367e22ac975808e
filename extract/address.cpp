#include "extract/address.h"

std::size_t extract_value(char* out, std::string_view line) {
    return extract_value(chosen_kernel(), out, line);
}

std::size_t extract_value(const Kernel& kernel, char* out, std::string_view line) {
    return kernel.extract_value(out, line.data(), line.size());
}

void print_address(Output& out, std::string_view line) {
    out.kernel->print_address(out, line.data(), line.size());
}
