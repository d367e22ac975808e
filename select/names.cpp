#include "select/names.h"

#include "extract/whitespace.h"

namespace {

unsigned char lower(unsigned char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c | 0x20) : c;
}

bool allowed(unsigned char c) {
    return !is_whitespace(c) && c >= 0x20 && c != 0x7F && c != ':';
}

} // namespace

bool parse_names(std::string_view list, Names& names) {
    names = {};
    for (;;) {
        const std::size_t comma = list.find(',');
        std::string_view name = list.substr(0, comma);
        if (!name.empty() && name.back() == ':')
            name.remove_suffix(1);
        if (name.empty())
            return false;
        std::string lowered;
        for (const char c : name) {
            if (!allowed(static_cast<unsigned char>(c)))
                return false;
            lowered += static_cast<char>(lower(static_cast<unsigned char>(c)));
        }
        names.longest = std::max(names.longest, lowered.size());
        const auto first = static_cast<unsigned char>(lowered[0]);
        names.starts[first] = true;
        names.starts[first >= 'a' && first <= 'z' ? first - 0x20u : first] = true;
        names.lower.push_back(std::move(lowered));
        if (comma == std::string_view::npos)
            return true;
        list.remove_prefix(comma + 1);
    }
}

bool is_selected(const Names& names, const char* p, std::size_t n) {
    for (const std::string& name : names.lower) {
        if (name.size() != n)
            continue;
        std::size_t i = 0;
        while (i < n &&
               lower(static_cast<unsigned char>(p[i])) == static_cast<unsigned char>(name[i]))
            ++i;
        if (i == n)
            return true;
    }
    return false;
}
