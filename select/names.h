// The NAME list, fieldgrep's first argument: which header fields to select.
// Parsed once; each field name is then compared with it ignoring ASCII case.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "extract/output.h"

// A NAME in lower case, then NULs to a multiple of 8 bytes, so that it is
// compared 8 bytes at a time; beside it, bit 5 of each letter (the bit that
// sets a letter in lower case) and 0xFF for each of its bytes.
struct Name {
    std::size_t len;
    const char* lower;
    const char* fold;
    const char* keep;
};

struct Names {
    Bytes memory; // the list and its bytes, in one block
    const Name* list = nullptr;
    std::size_t count = 0;
    std::size_t longest = 0;
    std::array<bool, 256> starts{}; // the first bytes of NAMEs, in either case
};

// The NAMEs of a list separated by commas, each less one final colon. False
// when the list is malformed: a NAME that is empty, or holds whitespace, a
// control byte or a colon before its end. With no memory for a list that is
// not, names.list is left null.
bool parse_names(std::string_view list, Names& names);

// The length of the NAME that [p, p + n) starts with, ignoring ASCII case,
// when a colon, a space or a tab follows it there; else 0. (A NAME holds none
// of these, so the field name can be no other.)
std::size_t name_at(const Names& names, const char* p, std::size_t n);
