// The framing of the input on the kernel primitives: where its text stops
// (a NUL or a Ctrl-Z), and where its whole fields end, so that the input
// hands the kernel whole fields only; and, for fieldgrep, where an empty
// line or a field may start.
#pragma once

#include <cstddef>
#include <cstring>

#include "extract/blocks.h"
#include "extract/rules.h"

namespace {

// The last bytes of [p, p + n), from at and short of a block, loaded from a
// copy padded with spaces, which no search below stops at.
template <class K> typename K::Block tail_block(const char* p, std::size_t at, std::size_t n) {
    char copy[block_size];
    std::memset(copy, ' ', sizeof copy);
    std::memcpy(copy, p + at, n - at);
    return K::load(copy);
}

template <class K> std::size_t find_stop(const char* p, std::size_t n) {
    std::size_t at = 0;
    for (; n - at >= block_size; at += block_size)
        if (const u64 m = K::stops(K::load(p + at)))
            return at + lowest(m);
    if (at == n)
        return n;
    const u64 m = K::stops(tail_block<K>(p, at, n)) & below(static_cast<unsigned>(n - at));
    return m ? at + lowest(m) : n;
}

// Where the first LF of [p, p + n) is that a byte After::follows follows,
// or n. The byte after a block tells only of its last byte, and is read only
// when that is an LF; the last bytes are read from a copy.
template <class K, class After> std::size_t find_lf_before(const char* p, std::size_t n) {
    std::size_t at = 0;
    for (; n - at > block_size; at += block_size) {
        const typename K::Block b = K::load(p + at);
        const u64 lf = K::equal(b, '\n');
        if (const u64 m = lf & After::template followers<K>(b) >> 1)
            return at + lowest(m);
        if (lf >> 63 && After::follows(p[at + block_size]))
            return at + block_size - 1;
    }
    if (n - at < 2)
        return n;
    const typename K::Block b = tail_block<K>(p, at, n);
    const u64 m = K::equal(b, '\n') & After::template followers<K>(b) >> 1 &
                  below(static_cast<unsigned>(n - at - 1));
    return m ? at + lowest(m) : n;
}

// In a mailbox's body, an empty line can start only after an LF that an LF
// or a CR follows.
struct EmptyLine {
    static bool follows(char c) { return c == '\n' || c == '\r'; }
    template <class K> static u64 followers(const typename K::Block& b) {
        return K::equal(b, '\n') | K::equal(b, '\r');
    }
};

// In a header, a field (or the header's end) can start only after an LF that
// neither a space nor a tab follows: the lines between continue a field.
struct FieldLine {
    static bool follows(char c) { return c != ' ' && c != '\t'; }
    template <class K> static u64 followers(const typename K::Block& b) {
        return ~(K::equal(b, ' ') | K::equal(b, '\t'));
    }
};

// Searched from the end back: the last field end is mostly near it.
template <class K> std::size_t fields_end(const char* p, std::size_t n) {
    if (n < 3)
        return 0;
    const std::size_t judged = n - 2; // the LFs before here have their next two bytes here
    std::size_t from = (judged - 1) / block_size * block_size;
    const Blocks<K, Fields> blocks(p, n);
    Classes next = blocks.classes_at(from + block_size);
    for (;; from -= block_size) {
        const Classes c = blocks.classes_at(from);
        u64 ends = field_ends(c, line_end_bytes(c, next), next);
        if (judged - from < block_size)
            ends &= below(static_cast<unsigned>(judged - from));
        if (ends)
            return from + highest(ends) + 1;
        if (from == 0)
            return 0;
        next = c;
    }
}

} // namespace
