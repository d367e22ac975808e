// A model of fieldgrep, line by line, written to be read rather than to be
// fast: the one statement of its rules that the tests trust. The unit tests
// and the fuzz target hold the program to it byte for byte.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tests/model.h"

namespace grep_model {

using model::is_space;

inline std::string lower(std::string_view s) {
    std::string r;
    for (char c : s)
        r += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    return r;
}

// The NAMEs of the list in lower case, or nothing when it is malformed: a
// NAME (less one final colon) that is empty or holds whitespace, a control
// byte or a colon.
inline std::optional<std::vector<std::string>> names(std::string_view list) {
    std::vector<std::string> names;
    std::string name;
    for (std::size_t i = 0; i <= list.size(); ++i) {
        if (i < list.size() && list[i] != ',') {
            name += list[i];
            continue;
        }
        if (!name.empty() && name.back() == ':')
            name.pop_back();
        if (name.empty())
            return std::nullopt;
        for (char c : name) {
            const auto u = static_cast<unsigned char>(c);
            if (is_space(c) || u < 0x20 || u == 0x7F || c == ':')
                return std::nullopt;
        }
        names.push_back(lower(name));
        name.clear();
    }
    return names;
}

// The lines of the input, each with its LF; the last may have none.
inline std::vector<std::string_view> lines(std::string_view input) {
    std::vector<std::string_view> lines;
    while (!input.empty()) {
        const std::size_t lf = input.find('\n');
        const std::size_t len = lf == std::string_view::npos ? input.size() : lf + 1;
        lines.push_back(input.substr(0, len));
        input.remove_prefix(len);
    }
    return lines;
}

inline bool is_empty(std::string_view line) {
    return line == "\n" || line == "\r\n";
}

inline bool is_from_line(std::string_view line) {
    return line.size() >= 6 && line.substr(0, 5) == "From " && !is_space(line[5]) && line[5] != ':';
}

// Whether a header line that does not start blank starts a selected field:
// the bytes before its first colon, less the spaces and tabs just before
// it, are a NAME. More than 65536 such blanks, and it is not selected.
inline bool selects(const std::vector<std::string>& names, std::string_view line) {
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos)
        return false;
    std::string_view name = line.substr(0, colon);
    while (!name.empty() && (name.back() == ' ' || name.back() == '\t'))
        name.remove_suffix(1);
    if (colon - name.size() > 65536)
        return false;
    for (const std::string& n : names)
        if (n == lower(name))
            return true;
    return false;
}

// Everything fieldgrep writes for one input.
inline std::string select(const std::vector<std::string>& names, std::string_view input) {
    const std::vector<std::string_view> all = lines(input);
    std::size_t i = 0;
    while (i < all.size() && is_empty(all[i]))
        ++i;
    const bool mbox = i < all.size() && is_from_line(all[i]);
    if (mbox)
        ++i; // the From_ line is not written

    std::string out;
    bool in_header = true, selected = false, after_empty = false;
    for (; i < all.size(); ++i) {
        const std::string_view line = all[i];
        if (!in_header) {
            if (!mbox)
                break; // one message: its body is not read
            if (after_empty && is_from_line(line))
                in_header = true; // the next message; its From_ line is not written
            after_empty = is_empty(line);
            continue;
        }
        if (is_empty(line)) {
            in_header = false;
            after_empty = true;
            selected = false;
            continue;
        }
        if (!is_space(line[0]))
            selected = selects(names, line);
        if (!selected)
            continue;
        for (char c : line)
            if (c != '\x1A')
                out += c;
        if (line.back() != '\n')
            out += '\n';
    }
    return out;
}

} // namespace grep_model
