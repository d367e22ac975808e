// The whitespace class both programs use: tab, LF, VT, FF, CR (0x09 to
// 0x0D) and space. The kernels test a whole block against the same range.
#pragma once

constexpr unsigned char first_control_space = '\t';
constexpr unsigned char last_control_space = '\r';

constexpr bool is_whitespace(unsigned char c) {
    return c == ' ' || (c >= first_control_space && c <= last_control_space);
}
