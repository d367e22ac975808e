// The NAME list, fieldgrep's first argument: which header fields to select.
// Parsed once; each field name is then compared with it ignoring ASCII case.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

struct Names {
    std::vector<std::string> lower; // each NAME in lower case
    std::size_t longest = 0;
    std::array<bool, 256> starts{}; // the first bytes of NAMEs, in either case
};

// The NAMEs of a list separated by commas, each less one final colon. False
// when the list is malformed: a NAME that is empty, or holds whitespace, a
// control byte or a colon before its end.
bool parse_names(std::string_view list, Names& names);

// Whether the field name [p, p + n) is one of the NAMEs.
bool is_selected(const Names& names, const char* p, std::size_t n);
