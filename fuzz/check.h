// Failing a fuzz run: say what went wrong, where, and with which bytes, then
// abort so that libFuzzer saves the input.
#pragma once

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "tests/capture.h"

// Long texts are shown only around the point of interest.
inline std::string excerpt(std::string_view s, std::size_t at) {
    std::size_t from = at < 32 ? 0 : at - 32;
    return escaped(s.substr(from, 96)) + (from + 96 < s.size() ? "..." : "");
}

[[noreturn]] inline void fuzz_failure(const char* what, std::string_view input) {
    std::fprintf(stderr, "\n%s\ninput (%zu bytes): %s\n", what, input.size(),
                 excerpt(input, 0).c_str());
    std::abort();
}

inline void expect_same(const char* what, std::string_view got, std::string_view want,
                        std::string_view input) {
    if (got == want)
        return;
    auto diff = std::mismatch(got.begin(), got.end(), want.begin(), want.end());
    auto at = static_cast<std::size_t>(diff.first - got.begin());
    std::fprintf(stderr,
                 "\n%zu and %zu bytes, first difference at byte %zu\n  got:  %s\n  want: %s\n",
                 got.size(), want.size(), at, excerpt(got, at).c_str(), excerpt(want, at).c_str());
    fuzz_failure(what, input);
}
