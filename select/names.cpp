#include "select/names.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "extract/whitespace.h"

namespace {

unsigned char lower(unsigned char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c | 0x20) : c;
}

bool allowed(unsigned char c) {
    return !is_whitespace(c) && c >= 0x20 && c != 0x7F && c != ':';
}

// Whether the bytes at p are the NAME, ignoring ASCII case; n of them may be
// read, at least the NAME's length.
bool same_ignoring_case(const char* p, std::size_t n, const Name& name) {
    for (std::size_t at = 0; at < name.len; at += 8) {
        if (n - at < 8) { // the end of the piece: byte by byte
            for (std::size_t i = at; i < name.len; ++i)
                if (static_cast<char>(p[i] | name.fold[i]) != name.lower[i])
                    return false;
            return true;
        }
        std::uint64_t bytes, want, fold, keep;
        std::memcpy(&bytes, p + at, 8);
        std::memcpy(&want, name.lower.data() + at, 8);
        std::memcpy(&fold, name.fold.data() + at, 8);
        std::memcpy(&keep, name.keep.data() + at, 8);
        if (((bytes | fold) & keep) != want)
            return false;
    }
    return true;
}

} // namespace

bool parse_names(std::string_view list, Names& names) {
    names = {};
    for (;;) {
        const std::size_t comma = list.find(',');
        std::string_view text = list.substr(0, comma);
        if (!text.empty() && text.back() == ':')
            text.remove_suffix(1);
        if (text.empty())
            return false;
        const std::size_t padded = (text.size() + 7) / 8 * 8;
        Name name{text.size(), std::string(padded, '\0'), std::string(padded, '\0'),
                  std::string(padded, '\0')};
        for (std::size_t i = 0; i < text.size(); ++i) {
            const auto c = static_cast<unsigned char>(text[i]);
            if (!allowed(c))
                return false;
            const unsigned char l = lower(c);
            name.lower[i] = static_cast<char>(l);
            name.fold[i] = l >= 'a' && l <= 'z' ? 0x20 : 0;
            name.keep[i] = '\xff';
        }
        names.longest = std::max(names.longest, name.len);
        const auto first = static_cast<unsigned char>(name.lower[0]);
        names.starts[first] = true;
        names.starts[first >= 'a' && first <= 'z' ? first - 0x20u : first] = true;
        names.list.push_back(std::move(name));
        if (comma == std::string_view::npos)
            return true;
        list.remove_prefix(comma + 1);
    }
}

std::size_t name_at(const Names& names, const char* p, std::size_t n) {
    for (const Name& name : names.list) {
        const std::size_t len = name.len;
        if (len < n && (p[len] == ':' || p[len] == ' ' || p[len] == '\t') &&
            same_ignoring_case(p, n, name))
            return len;
    }
    return 0;
}
