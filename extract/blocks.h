// The reading of a text a block of 64 bytes at a time, with each block's
// classes (and the next block's where the rules, extract/rules.h, need
// them); and the input's fields, the source that the program walks.
#pragma once

#include <cstddef>
#include <cstring>

#include "extract/rules.h"

namespace {

// How many blocks the walk classifies at a time, before it runs the rules
// over them: their classes (4.6 KB) stay in the L1 cache, and the loop that
// makes them keeps its constants in registers.
constexpr std::size_t chunk_blocks = 64;

// The bytes of a block that belong to no line's text (see line_end_bytes),
// and of those, the ones that end a field.
struct Ends {
    u64 dropped;
    u64 ends;
};

// Reads the blocks of [p, p + n) in turn. The last bytes, short of a block,
// are read from a copy, and the bytes past the end are of no class. Source
// says when the walk is done and where lines and fields end: Fields below
// for the input, one logical header line in tests/probes.h.
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

    // The classes of the block at from, whole or not; the bytes past the
    // end have none. Out of line: the walk classifies its whole blocks
    // itself, and comes here only near the end, to look ahead, or to settle
    // a field, so that the classifying is not copied into each of those.
    [[gnu::noinline]] Classes classes_at(std::size_t from) const {
        const Classes c = K::classify(block_at(from));
        if (from < whole)
            return c;
        const u64 valid = from == whole ? below(static_cast<unsigned>(n - whole)) : 0;
        return map_classes<u64>([valid](auto, u64 m) { return m & valid; }, c);
    }

    // The block at from, without its classes.
    [[gnu::always_inline]] typename K::Block block_at(std::size_t from) const {
        return K::load(from < whole ? p + from : tail);
    }

    // The classes of the walk's next blocks, from the current one on: up to
    // chunk_blocks of them, and no more than most, then the one after those,
    // which the rules of the last one look at. Returns how many blocks the
    // walk takes from c.
    std::size_t classify_chunk(Classes (&c)[chunk_blocks + 1], std::size_t most) const {
        const std::size_t up_to = most < chunk_blocks ? most : chunk_blocks;
        const std::size_t in_whole = at < whole ? (whole - at) / block_size : 0;
        const std::size_t quick = up_to < in_whole ? up_to : in_whole; // no test of the end
        std::size_t m = 0;
        for (; m < quick; ++m)
            c[m] = K::classify(K::load(p + at + m * block_size));
        std::size_t from = at + m * block_size;
        for (; m < up_to && !Source::done(from, n); ++m, from += block_size)
            c[m] = classes_at(from);
        c[m] = classes_at(from);
        return m;
    }

    // The first part of the rules (text_rules) for the current block, whose
    // classes are c, written to s; next are the next block's classes.
    void text_rules(const Classes& c, const Classes& next, Carries<Word>& k,
                    Selection<u64>& s) const {
        const Ends e = Source::ends(*this, c, next);
        block_text_rules(c, e.dropped, e.ends, k, s);
    }

    // The whole of the rules for the current block.
    Selection<u64> rules(const Classes& c, const Classes& next, Carries<Word>& k) const {
        Selection<u64> s{};
        text_rules(c, next, k, s);
        block_address_rules(c, s, k);
        return s;
    }
};

// Whole fields of the input, the last one ended by its LF.
struct Fields {
    static bool done(std::size_t at, std::size_t n) { return at >= n; }

    template <class B> static Ends ends(const B&, const Classes& c, const Classes& next) {
        u64 dropped = line_end_bytes(c, Classes{});
        u64 ends = field_ends(c, dropped, Classes{});
        if ((c.lf | c.cr) >> 63) { // a line end that the next block may finish
            dropped = line_end_bytes(c, next);
            ends = field_ends(c, dropped, next);
        }
        return {dropped, ends};
    }
};

} // namespace
