#include "extract/address.h"

#include <cstring>
#include <string_view>
#include <vector>

#include "extract/scan.h"

namespace {

using scan::find_byte;

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

// Where the text goes on after the paren at p (before end): past the ")"
// that ends the comment a "(" opens (comments do not nest), or past a stray
// ")".
const char* after_paren(const char* p, const char* end) {
    if (*p == '(')
        p = find_byte(p + 1, end, ')');
    return p < end ? p + 1 : end;
}

// The first "<" of [p, end) outside comments, or end.
const char* find_open(const char* p, const char* end) {
    while (p < end) {
        const char* q = scan::find_paren_or_open(p, end);
        if (q == end || *q == '<')
            return q;
        p = after_paren(q, end);
    }
    return end;
}

// The address lines of the value [p, end), its comments still in it, written
// straight into the output buffer at o, which has words_room for it.
char* write_value(char* o, const char* p, const char* end) {
    const char* open = find_open(p, end);
    if (open < end) {
        bool inside = true;
        for (p = open + 1; (p = scan::write_bracketed(o, p, end, inside)) < end;)
            p = after_paren(p, end);
        return inside ? scan::write_newline(o) : o;
    }
    bool after_space = true;
    while ((p = scan::write_words(o, p, end, after_space)) < end)
        p = after_paren(p, end);
    return after_space ? o : scan::write_newline(o);
}

// For a value too long for the output buffer's room: cleaned into a buffer
// of its own, and printed piece by piece.
void print_long_value(Output& out, std::string_view line) {
    std::vector<char> value(line.size());
    const char* end = value.data() + extract_value(value.data(), line);
    const char* open = find_byte(value.data(), end, '<');
    if (open < end)
        print_bracketed_in_pieces(out, open + 1, end);
    else
        print_words_in_pieces(out, value.data(), end);
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
    if (char* o = out_room(out, scan::words_room(static_cast<std::size_t>(end - p))))
        out_used(out, write_value(o, p, end));
    else
        print_long_value(out, line);
}
