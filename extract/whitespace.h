// The whitespace class of both programs: tab, LF, VT, FF, CR (0x09 to 0x0D)
// and space, as a range. fieldgrep tests bytes against it, and the AVX-512,
// SSSE3 and SSE2 kernels compare a block with it; the others find the space
// class of extract/classes.h (which holds to this range) their own way, and
// every kernel is held to tests/model.h byte by byte.
#pragma once

constexpr unsigned char first_control_space = '\t';
constexpr unsigned char last_control_space = '\r';

constexpr bool is_whitespace(unsigned char c) {
    return c == ' ' || (c >= first_control_space && c <= last_control_space);
}
