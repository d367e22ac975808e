// The reading of a text a block of 64 bytes at a time, with each block's
// classes and the next block's, as the rules (extract/rules.h) need them;
// and the input's fields, the source that the program walks.
#pragma once

#include <cstddef>
#include <cstring>

#include "extract/rules.h"

namespace {

// A block shorter than 64 bytes, read from a copy: its bytes past the end
// are of no class.
template <class K>
[[gnu::noinline]] void load_short(const char* p, std::size_t n, typename K::Block& b, Classes& c) {
    char copy[block_size] = {};
    std::memcpy(copy, p, n);
    b = K::load(copy);
    c = K::classify(b);
    const u64 valid = below(static_cast<unsigned>(n));
    c = map_classes<u64>([valid](auto, u64 m) { return m & valid; }, c);
}

// The block of [p, p + n) at from and its classes. The blocks past the end
// are of no class.
template <class K>
[[gnu::always_inline]] inline void load_at(const char* p, std::size_t n, std::size_t from,
                                           typename K::Block& b, Classes& c) {
    if (from < n && n - from >= block_size) {
        b = K::load(p + from);
        c = K::classify(b);
    } else if (from < n) {
        load_short<K>(p + from, n - from, b, c);
    } else {
        c = Classes{};
    }
}

// Reads the blocks of [p, p + n) in turn, with the classes of the block after
// each. Source says when the walk is done and where fields end: Fields below
// for the input, one logical header line in tests/probes.h.
template <class K, class Source> struct Blocks {
    const char* p;
    std::size_t n;
    std::size_t at = 0;
    typename K::Block block{}, next_block{};
    Classes classes{}, next{};

    Blocks(const char* text, std::size_t len) : p(text), n(len) {
        load_at<K>(p, n, at, block, classes);
        load_at<K>(p, n, at + block_size, next_block, next);
    }

    bool done() const { return Source::done(at, n); }

    void advance() {
        at += block_size;
        block = next_block;
        classes = next;
        load_at<K>(p, n, at + block_size, next_block, next);
    }

    // The rules for the current block.
    Selection<u64> rules(Carries<Word>& k) const { return Source::rules(*this, k); }
};

// Whole fields of the input, the last one ended by its LF.
struct Fields {
    static bool done(std::size_t at, std::size_t n) { return at >= n; }

    template <class B> static Selection<u64> rules(const B& b, Carries<Word>& k) {
        const u64 dropped = line_end_bytes(b.classes, b.next);
        return block_rules(b.classes, dropped, field_ends(b.classes, dropped, b.next), k);
    }
};

} // namespace
