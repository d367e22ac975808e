// From one logical header line to the addresses it carries.
#pragma once

#include <cstddef>
#include <string_view>

#include "extract/kernel.h"
#include "extract/output.h"

// Writes the header value of line into out (room for line.size() bytes) and
// returns its length: the text after the first colon, less its leading
// whitespace and every (comment). A line that starts with whitespace has no
// field name and is all value.
std::size_t extract_value(char* out, std::string_view line);
std::size_t extract_value(const Kernel& kernel, char* out, std::string_view line);

// Writes the addresses of one logical header line, each followed by a line
// end: the text between angle brackets if the value holds a "<", else every
// whitespace-separated word.
void print_address(Output& out, std::string_view line);
