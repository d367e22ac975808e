// fieldpick's cases of tests/fieldpick_cases.txt, for the unit tests.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tests/case_file.h"

// A case of a table test: its input, what it must give, and its name in the
// case file, if it comes from there.
struct Case {
    std::string in, want;
    std::string name = {};
};

// The cases of the groups whose name starts with kind and a colon: "value",
// "addresses" or "filter".
inline std::vector<Case> cases_of(std::string_view kind) {
    static const std::vector<FileCase> all = read_case_file(FIELDPICK_CASE_FILE);
    const std::string prefix = std::string(kind) + ":";
    std::vector<Case> found;
    for (const FileCase& c : all)
        if (c.group.rfind(prefix, 0) == 0)
            found.push_back({c.fields.at(0), c.fields.at(1), c.name});
    return found;
}
