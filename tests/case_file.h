// Reads a case file: one table of cases, each written once, that the C++
// tests, the end-to-end suites and the fuzz seed makers all read. The format
// is told in tests/case_file.py, its reader for Python.
#pragma once

#include <cctype>
#include <fstream>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

struct FileCase {
    std::string group; // the "## GROUP" line it stands under
    std::string name;
    std::vector<std::string> fields; // after the name, escapes undone
};

// The bytes that field stands for; where names the line, for an error.
inline std::string unescape_field(const std::string& field, const std::string& where) {
    std::string bytes;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '\\') {
            bytes += field[i];
            continue;
        }
        const char code = i + 1 < field.size() ? field[++i] : ' ';
        const std::string plain = "nrt\\0", meant = {'\n', '\r', '\t', '\\', '\0'};
        const std::size_t at = plain.find(code);
        if (at != std::string::npos) {
            bytes += meant[at];
        } else if (code == 'x' && i + 2 < field.size() &&
                   std::isxdigit(static_cast<unsigned char>(field[i + 1])) &&
                   std::isxdigit(static_cast<unsigned char>(field[i + 2]))) {
            bytes += static_cast<char>(std::stoi(field.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            throw std::runtime_error(where + ": unknown escape in " + field);
        }
    }
    return bytes;
}

// The cases of the file at path, in order.
inline std::vector<FileCase> read_case_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    std::vector<FileCase> cases;
    std::string group, line;
    std::set<std::string> names;
    for (int number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const std::string where = path + ":" + std::to_string(number);
        if (line.rfind("## ", 0) == 0) {
            group = line.substr(3);
        } else if (!line.empty() && line[0] != '#') {
            FileCase c{group, {}, {}};
            std::size_t from = 0, tab;
            do {
                tab = line.find('\t', from);
                const std::string field = line.substr(from, tab - from);
                if (from == 0)
                    c.name = field;
                else
                    c.fields.push_back(unescape_field(field, where));
                from = tab + 1;
            } while (tab != std::string::npos);
            if (c.name.empty() ||
                c.name.find_first_not_of("abcdefghijklmnopqrstuvwxyz"
                                         "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_") !=
                    std::string::npos ||
                !names.insert(c.name).second)
                throw std::runtime_error(where + ": a case needs a name of its own, of letters, "
                                                 "digits and _");
            cases.push_back(c);
        }
    }
    return cases;
}
