// Reads a case file: a table of test cases in plain text, one case a line,
// fields separated by one tab, in groups started by "## GROUP" lines; "#"
// starts a comment line. Field 1 is the case's name; in every field \n \r
// \t \\ \0 and \xHH stand for their bytes. tests/case_file.py reads the same.
#pragma once

#include <cctype>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

struct CaseRow {
    std::string group;
    std::string name;
    std::vector<std::string> fields; // after the name
};

inline std::string unescape_case_field(const std::string& s, const std::string& where) {
    std::string r;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\') {
            r += s[i];
            continue;
        }
        const char e = i + 1 < s.size() ? s[++i] : '\0';
        if (e == 'n' || e == 'r' || e == 't' || e == '\\' || e == '0') {
            r += e == 'n' ? '\n' : e == 'r' ? '\r' : e == 't' ? '\t' : e == '0' ? '\0' : '\\';
        } else if (e == 'x' && i + 2 < s.size() &&
                   std::isxdigit(static_cast<unsigned char>(s[i + 1])) &&
                   std::isxdigit(static_cast<unsigned char>(s[i + 2]))) {
            r += static_cast<char>(std::stoi(s.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            throw std::runtime_error(where + ": bad escape");
        }
    }
    return r;
}

inline std::vector<CaseRow> read_case_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error(path + ": cannot be opened");
    std::vector<CaseRow> rows;
    std::string group, line;
    for (int number = 1; std::getline(in, line); ++number) {
        const std::string where = path + ":" + std::to_string(number);
        if (line.empty() || (line[0] == '#' && line.compare(0, 3, "## ") != 0))
            continue;
        if (line.compare(0, 3, "## ") == 0) {
            group = line.substr(3);
            continue;
        }
        CaseRow row{group, {}, {}};
        std::size_t start = 0;
        for (;;) {
            const std::size_t tab = line.find('\t', start);
            row.fields.push_back(unescape_case_field(line.substr(start, tab - start), where));
            if (tab == std::string::npos)
                break;
            start = tab + 1;
        }
        row.name = row.fields.front();
        row.fields.erase(row.fields.begin());
        if (row.name.empty() ||
            row.name.find_first_not_of(
                "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_") !=
                std::string::npos)
            throw std::runtime_error(where + ": bad case name");
        for (const CaseRow& other : rows)
            if (other.name == row.name)
                throw std::runtime_error(where + ": case name used twice");
        rows.push_back(row);
    }
    return rows;
}
