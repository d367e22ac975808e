// Helpers shared by the unit tests: capturing output, and showing bytes
// escaped when a case fails.
#pragma once

#include <string>
#include <string_view>

#include "extract/output.h"

inline bool append_to_string(void* ctx, const char* data, std::size_t len) {
    static_cast<std::string*>(ctx)->append(data, len);
    return true;
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
