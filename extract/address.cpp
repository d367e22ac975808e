#include "extract/address.h"

#include <cstring>
#include <vector>

#include "extract/scan.h"

namespace {

const char* find_byte(const char* p, const char* end, char c) {
    const void* hit = std::memchr(p, c, static_cast<std::size_t>(end - p));
    return hit ? static_cast<const char*>(hit) : end;
}

// The address printers for a value too long for the output buffer's room:
// piece by piece through out_bytes.

// Everything from the first "<" on: text inside brackets is written, a ">"
// ends an address (even one never opened), and an address still open at the
// end is ended too.
void print_bracketed_in_pieces(Output& out, const char* p, const char* end) {
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

void print_words_in_pieces(Output& out, const char* p, const char* end) {
    for (p = scan::skip_space(p, end); p < end; p = scan::skip_space(p, end)) {
        const char* q = scan::find_space(p, end);
        out_bytes(out, p, static_cast<std::size_t>(q - p));
        out_newline(out);
        p = q;
    }
}

// The common case: all address lines written straight into the output
// buffer after one check for room.
void print_bracketed(Output& out, const char* p, const char* end) {
    if (char* o = out_room(out, scan::words_room(static_cast<std::size_t>(end - p))))
        out_used(out, scan::write_bracketed(o, p, end));
    else
        print_bracketed_in_pieces(out, p, end);
}

void print_words(Output& out, const char* p, const char* end) {
    if (char* o = out_room(out, scan::words_room(static_cast<std::size_t>(end - p))))
        out_used(out, scan::write_words(o, p, end));
    else
        print_words_in_pieces(out, p, end);
}

// Bracket mode if the value holds a "<", else word mode.
void print_value(Output& out, const char* p, const char* end) {
    const char* open = find_byte(p, end, '<');
    if (open < end)
        print_bracketed(out, open + 1, end);
    else
        print_words(out, p, end);
}

// Where the value of [p, end) starts: after the first colon and the
// whitespace that follows it. A line that starts with whitespace has no field
// name; a line without a colon has no value (end).
const char* value_start(const char* p, const char* end) {
    if (p == end)
        return end;
    if (!is_space(static_cast<unsigned char>(*p))) {
        const char* colon = find_byte(p, end, ':');
        if (colon == end)
            return end;
        p = colon + 1;
    }
    return scan::skip_space(p, end);
}

} // namespace

std::size_t extract_value(char* out, std::string_view line) {
    const char* end = line.data() + line.size();
    const char* p = value_start(line.data(), end);

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
    const char* end = line.data() + line.size();
    const char* p = value_start(line.data(), end);

    // Most values hold no comment: those are printed from the line itself,
    // found to be in word or bracket mode by the same search.
    const char* first = scan::find_paren_or_open(p, end);
    if (first == end)
        return print_words(out, p, end);
    if (*first == '<' && scan::find_paren(first, end) == end)
        return print_bracketed(out, first + 1, end);

    char local[65536];
    std::vector<char> large; // only for a line that outgrows the fixed buffer
    char* value = local;
    if (line.size() > sizeof local) {
        large.resize(line.size());
        value = large.data();
    }
    print_value(out, value, value + extract_value(value, line));
}
