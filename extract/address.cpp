#include "extract/address.h"

#include <cstring>
#include <vector>

#include "extract/scan.h"

namespace {

const char* find_byte(const char* p, const char* end, char c) {
    const void* hit = std::memchr(p, c, static_cast<std::size_t>(end - p));
    return hit ? static_cast<const char*>(hit) : end;
}

// Everything from the first "<" on: text inside brackets is written, a ">"
// ends an address (even one never opened), and an address still open at the
// end is ended too.
void print_bracketed(Output& out, const char* p, const char* end) {
    bool inside = true;
    for (;;) {
        const char* q = scan::find_angle(p, end);
        if (inside)
            out_bytes(out, p, static_cast<std::size_t>(q - p));
        if (q == end)
            break;
        if (*q == '>')
            out_newline(out);
        inside = *q == '<';
        p = q + 1;
    }
    if (inside)
        out_newline(out);
}

void print_words(Output& out, const char* p, const char* end) {
    for (p = scan::skip_space(p, end); p < end; p = scan::skip_space(p, end)) {
        const char* q = scan::find_space(p, end);
        out_bytes(out, p, static_cast<std::size_t>(q - p));
        out_newline(out);
        p = q;
    }
}

} // namespace

std::size_t extract_value(char* out, std::string_view line) {
    const char* p = line.data();
    const char* end = p + line.size();
    if (p == end)
        return 0;
    if (!is_space(static_cast<unsigned char>(*p))) {
        const char* colon = find_byte(p, end, ':');
        if (colon == end)
            return 0;
        p = colon + 1;
    }
    p = scan::skip_space(p, end);

    // Comments do not nest: the first ")" ends one, and a stray ")" is dropped.
    char* o = out;
    while (p < end) {
        const char* paren = scan::copy_until_paren(o, p, end);
        o += paren - p;
        if (paren == end)
            break;
        p = *paren == '(' ? find_byte(paren + 1, end, ')') : paren;
        if (p < end)
            ++p;
    }
    return static_cast<std::size_t>(o - out);
}

void print_address(Output& out, std::string_view line) {
    char local[65536];
    std::vector<char> large; // only for a line that outgrows the fixed buffer
    char* value = local;
    if (line.size() > sizeof local) {
        large.resize(line.size());
        value = large.data();
    }
    const char* end = value + extract_value(value, line);
    const char* open = find_byte(value, end, '<');
    if (open < end)
        print_bracketed(out, open + 1, end);
    else
        print_words(out, value, end);
}
