// A byte-at-a-time model of the filter, written to be read rather than to be
// fast. The unit tests and the fuzz targets hold every kernel to it byte for
// byte, so a kernel that skips, repeats or misreads a byte shows up as a
// difference.
#pragma once

#include <string>
#include <string_view>

namespace model {

// Tab, LF, VT, FF, CR and space: spelled out here, not taken from the
// program.
inline bool is_space(char c) {
    return c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == ' ';
}

// After the first colon (or from the start, when the line starts blank), the
// leading blanks skipped, every byte from "(" up to and including the next ")"
// dropped, and any ")" dropped.
inline std::string value(std::string_view line) {
    std::size_t i = 0;
    if (!line.empty() && !is_space(line[0])) {
        std::size_t colon = line.find(':');
        if (colon == std::string_view::npos)
            return {};
        i = colon + 1;
    }
    while (i < line.size() && is_space(line[i]))
        ++i;
    std::string value;
    bool in_comment = false;
    for (; i < line.size(); ++i) {
        if (line[i] == '(')
            in_comment = true;
        else if (line[i] == ')')
            in_comment = false;
        else if (!in_comment)
            value += line[i];
    }
    return value;
}

inline std::string bracketed(std::string_view value, std::string_view newline) {
    std::string out;
    bool inside = true;
    for (char c : value) {
        if (c == '>') {
            out += newline;
            inside = false;
        } else if (c == '<') {
            inside = true;
        } else if (inside) {
            out += c;
        }
    }
    if (inside)
        out += newline;
    return out;
}

inline std::string words(std::string_view value, std::string_view newline) {
    std::string out;
    bool in_word = false;
    for (char c : value) {
        if (!is_space(c)) {
            out += c;
            in_word = true;
        } else if (in_word) {
            out += newline;
            in_word = false;
        }
    }
    if (in_word)
        out += newline;
    return out;
}

// Everything print_address writes for one logical header line.
inline std::string addresses(std::string_view line, std::string_view newline = "\n") {
    const std::string v = value(line);
    std::size_t open = v.find('<');
    if (open != std::string::npos)
        return bracketed(std::string_view(v).substr(open + 1), newline);
    return words(v, newline);
}

// Everything the filter writes for a whole input: Ctrl-Z ends the input,
// lines end at LF (with a CR just before it), a NUL ends a line's text, lines
// starting blank continue the header before them. When the read after the
// last byte fails, the header still open is dropped; a Ctrl-Z stops reading
// before that read is made.
inline std::string filter(std::string_view input, bool read_fails,
                          std::string_view newline = "\n") {
    std::size_t ctrl_z = input.find('\x1A');
    bool stopped_at_ctrl_z = ctrl_z != std::string_view::npos;
    input = input.substr(0, ctrl_z);

    std::string out;
    std::string header;
    while (!input.empty()) {
        std::size_t lf = input.find('\n');
        std::string_view line = input.substr(0, lf);
        input.remove_prefix(lf == std::string_view::npos ? input.size() : lf + 1);
        if (lf != std::string_view::npos && !line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        line = line.substr(0, line.find('\0'));
        if (!line.empty() && is_space(line[0])) {
            header += line;
        } else {
            out += addresses(header, newline);
            header = line;
        }
    }
    if (!read_fails || stopped_at_ctrl_z)
        out += addresses(header, newline);
    return out;
}

} // namespace model
