// The reading of a text a block of 64 bytes at a time, with each block's
// classes (and the next block's where the rules, extract/rules.h, need
// them); and the input's fields, the source that the program walks.
#pragma once

#include <cstddef>
#include <cstring>

#include "extract/rules.h"

namespace {

// A block of the text and its classes.
template <class K> struct Loaded {
    typename K::Block block;
    Classes classes;
};

// Reads the blocks of [p, p + n) in turn. The last bytes, short of a block,
// are read from a copy, and the bytes past the end are of no class. Source
// says when the walk is done and where fields end: Fields below for the
// input, one logical header line in tests/probes.h.
template <class K, class Source> struct Blocks {
    const char* p;
    std::size_t n;
    std::size_t whole; // the bytes in whole blocks
    std::size_t at = 0;
    char tail[block_size] = {};

    Blocks(const char* text, std::size_t len)
        : p(text), n(len), whole(len / block_size * block_size) {
        std::memcpy(tail, p + whole, n - whole);
    }

    bool done() const { return Source::done(at, n); }
    void advance() { at += block_size; }

    // The block at from, whole or not: the walk's last block, a look ahead,
    // the framing's search. (The walk loads its whole blocks by
    // current_whole, which asks nothing more.)
    [[gnu::always_inline]] Loaded<K> load(std::size_t from) const {
        Loaded<K> l{K::load(from < whole ? p + from : tail), {}};
        l.classes = K::classify(l.block);
        if (from >= whole) {
            const u64 valid = from == whole ? below(static_cast<unsigned>(n - whole)) : 0;
            l.classes = map_classes<u64>([valid](auto, u64 m) { return m & valid; }, l.classes);
        }
        return l;
    }

    [[gnu::always_inline]] Loaded<K> current() const { return load(at); }

    // Whether the current block is a whole one, and that block.
    bool in_whole() const { return at < whole; }
    [[gnu::always_inline]] Loaded<K> current_whole() const {
        const typename K::Block b = K::load(p + at);
        return {b, K::classify(b)};
    }

    // Whether the rules for the current block, whose classes are c, need the
    // next block's: only for a line end that its last byte may start (an LF,
    // or a CR). Most blocks end with neither, and so read nothing twice.
    static bool looks_ahead(const Classes& c) { return (c.lf | c.cr) >> 63; }

    // The next block's classes, out of the walk's loop so that the
    // classifying there is not copied.
    [[gnu::noinline]] Classes next() const { return load(at + block_size).classes; }

    // The rules for the current block, loaded as l.
    Selection<u64> rules(const Loaded<K>& l, Carries<Word>& k) const {
        return Source::rules(*this, l.classes, k);
    }
};

// Whole fields of the input, the last one ended by its LF.
struct Fields {
    static bool done(std::size_t at, std::size_t n) { return at >= n; }

    template <class B> static Selection<u64> rules(const B& b, const Classes& c, Carries<Word>& k) {
        u64 dropped = line_end_bytes(c, Classes{});
        u64 ends = field_ends(c, dropped, Classes{});
        if (b.looks_ahead(c)) {
            const Classes next = b.next();
            dropped = line_end_bytes(c, next);
            ends = field_ends(c, dropped, next);
        }
        return block_rules(c, dropped, ends, k);
    }
};

} // namespace
