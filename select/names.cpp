#include "select/names.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
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
        std::memcpy(&want, name.lower + at, 8);
        std::memcpy(&fold, name.fold + at, 8);
        std::memcpy(&keep, name.keep + at, 8);
        if (((bytes | fold) & keep) != want)
            return false;
    }
    return true;
}

// The NAME that starts list, less one final colon, or nothing if it is
// malformed; list is moved past it and its comma, and more tells whether a
// comma followed it.
std::string_view next_name(std::string_view& list, bool& more) {
    const std::size_t comma = list.find(',');
    std::string_view text = list.substr(0, comma);
    more = comma != std::string_view::npos;
    list.remove_prefix(more ? comma + 1 : list.size());
    if (!text.empty() && text.back() == ':')
        text.remove_suffix(1);
    for (char c : text)
        if (!allowed(static_cast<unsigned char>(c)))
            return {};
    return text;
}

std::size_t padded(std::size_t len) {
    return (len + 7) / 8 * 8;
}

// Writes the three forms of text to name's bytes at bytes, which it returns
// moved past them.
char* store_name(std::string_view text, Name& name, char* bytes) {
    const std::size_t size = padded(text.size());
    std::memset(bytes, 0, 3 * size);
    name = {text.size(), bytes, bytes + size, bytes + 2 * size};
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char l = lower(static_cast<unsigned char>(text[i]));
        bytes[i] = static_cast<char>(l);
        bytes[size + i] = l >= 'a' && l <= 'z' ? 0x20 : 0;
        bytes[2 * size + i] = '\xff';
    }
    return bytes + 3 * size;
}

} // namespace

bool parse_names(std::string_view list, Names& names) {
    names = {};
    // First the list is checked and measured, then stored in one block.
    std::size_t count = 0, bytes = 0;
    for (std::string_view rest = list, text;;) {
        bool more;
        if ((text = next_name(rest, more)).empty())
            return false;
        ++count;
        bytes += 3 * padded(text.size());
        if (!more)
            break;
    }
    names.memory.reset(static_cast<char*>(std::malloc(count * sizeof(Name) + bytes)));
    if (!names.memory)
        return true;
    auto* stored = reinterpret_cast<Name*>(names.memory.get());
    char* at = names.memory.get() + count * sizeof(Name);
    for (std::size_t i = 0; i < count; ++i) {
        bool more;
        const std::string_view text = next_name(list, more);
        at = store_name(text, stored[i], at);
        names.longest = std::max(names.longest, text.size());
        const auto first = static_cast<unsigned char>(stored[i].lower[0]);
        names.starts[first] = true;
        names.starts[first >= 'a' && first <= 'z' ? first - 0x20u : first] = true;
    }
    names.list = stored;
    names.count = count;
    return true;
}

std::size_t name_at(const Names& names, const char* p, std::size_t n) {
    for (std::size_t i = 0; i < names.count; ++i) {
        const Name& name = names.list[i];
        const std::size_t len = name.len;
        if (len < n && (p[len] == ':' || p[len] == ' ' || p[len] == '\t') &&
            same_ignoring_case(p, n, name))
            return len;
    }
    return 0;
}
