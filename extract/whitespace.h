// The whitespace class of both programs: tab, LF, VT, FF, CR (0x09 to 0x0D)
// and space. The x86 kernels compare a block against this range; the NEON and
// portable kernels spell the same bytes in their own form, and every kernel
// is held to tests/model.h byte by byte.
#pragma once

constexpr unsigned char first_control_space = '\t';
constexpr unsigned char last_control_space = '\r';

constexpr bool is_whitespace(unsigned char c) {
    return c == ' ' || (c >= first_control_space && c <= last_control_space);
}
