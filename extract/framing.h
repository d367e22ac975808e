// The framing of the input on the kernel primitives: where its text stops
// (a NUL or a Ctrl-Z), and where its whole fields end, so that the input
// hands the kernel whole fields only; and, for fieldgrep, where an empty
// line may start.
#pragma once

#include <cstddef>
#include <cstring>

#include "extract/blocks.h"
#include "extract/rules.h"

namespace {

// The last bytes of [p, p + n), from at and short of a block, loaded from a
// copy padded with spaces, which neither search below looks for.
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

// Where the first LF of [p, p + n) that an LF or a CR follows is, or n: in a
// mailbox's body, the only place an empty line can start. The byte after a
// block tells only of its last byte, and is read only when that is an LF;
// the last bytes are read from a copy.
template <class K> std::size_t find_empty_line(const char* p, std::size_t n) {
    const auto line_end = [](char c) { return c == '\n' || c == '\r'; };
    std::size_t at = 0;
    for (; n - at > block_size; at += block_size) {
        const typename K::Block b = K::load(p + at);
        const u64 lf = K::equal(b, '\n');
        if (const u64 m = lf & (lf | K::equal(b, '\r')) >> 1)
            return at + lowest(m);
        if (lf >> 63 && line_end(p[at + block_size]))
            return at + block_size - 1;
    }
    if (n - at < 2)
        return n;
    const typename K::Block b = tail_block<K>(p, at, n);
    const u64 lf = K::equal(b, '\n');
    const u64 m = lf & (lf | K::equal(b, '\r')) >> 1 & below(static_cast<unsigned>(n - at - 1));
    return m ? at + lowest(m) : n;
}

// Searched from the end back: the last field end is mostly near it.
template <class K> std::size_t fields_end(const char* p, std::size_t n) {
    if (n < 3)
        return 0;
    const std::size_t judged = n - 2; // the LFs before here have their next two bytes here
    std::size_t from = (judged - 1) / block_size * block_size;
    const Blocks<K, Fields> blocks(p, n);
    Classes next = blocks.load(from + block_size).classes;
    for (;; from -= block_size) {
        const Classes c = blocks.load(from).classes;
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
