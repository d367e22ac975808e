// What the unit tests and the fuzz targets share: the filter's output caught
// in a string, the filter run on a fake input, and bytes shown escaped when
// a case fails.
#pragma once

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <string_view>

#include "driver/input.h"
#include "extract/kernel/kernel.h"
#include "extract/output.h"
#include "tests/fake_input.h"

inline bool append_to_string(void* ctx, const char* data, std::size_t len) {
    static_cast<std::string*>(ctx)->append(data, len);
    return true;
}

// An output into got, with CR LF line ends or LF.
inline Output output_to(std::string& got, bool crlf, std::size_t capacity = output_buffer_size) {
    Output out = make_output(append_to_string, &got, capacity);
    out.crlf = crlf;
    return out;
}

// text with every LF made the line end wanted.
inline std::string with_newline(std::string_view text, bool crlf) {
    std::string r;
    for (char c : text)
        r += c == '\n' && crlf ? "\r\n" : std::string(1, c);
    return r;
}

inline std::string escaped(std::string_view s) {
    static const char hex[] = "0123456789ABCDEF";
    std::string r = "'";
    for (char ch : s) {
        auto c = static_cast<unsigned char>(ch);
        if (c == '\n') {
            r += "\\n";
        } else if (c == '\t') {
            r += "\\t";
        } else if (c == '\r') {
            r += "\\r";
        } else if (c < 0x20 || c >= 0x7F || c == '\\' || c == '\'') {
            r += "\\x";
            r += hex[c >> 4];
            r += hex[c & 15];
        } else {
            r += static_cast<char>(c);
        }
    }
    return r + "'";
}

// The filter on data handed over piece bytes at a time, by kernel; error, if
// given, gets the input's errno.
inline std::string filtered(std::string_view data, const Kernel& kernel, bool crlf,
                            std::size_t piece, bool fail_at_end = false, int* error = nullptr) {
    FakeInput src{data, {piece}, fail_at_end};
    Input in = make_input(read_fake, &src);
    std::string got;
    Output out = output_to(got, crlf);
    filter(kernel, in, out);
    out_flush(out);
    if (error)
        *error = in.error;
    return got;
}
