// The walk over the blocks of a text and the printing of what the rules
// (extract/rules.h) select, on the kernel primitives that extract/algorithm.h
// lists.
#pragma once

#include <cstddef>
#include <cstring>

#include "extract/kernel.h"
#include "extract/output.h"
#include "extract/rules.h"

namespace {

// A block of the text and its classes.
template <class K> struct Loaded {
    typename K::Block block;
    Classes classes;
};

// The classes of the bytes of valid only.
inline void keep_classes(Classes& c, u64 valid) {
    for (u64* m : {&c.lf, &c.cr, &c.nul, &c.space, &c.open_paren, &c.close_paren, &c.open_angle,
                   &c.close_angle, &c.colon})
        *m &= valid;
}

// Reads the blocks of [p, p + n) in turn. The last bytes, short of a block,
// are read from a copy, and the bytes past the end are of no class. Source
// says when the walk is done and where fields end: Fields below for the
// input, one logical header line in extract/probes.h.
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

    // One copy of the loading and classifying, for whole blocks and the rest.
    [[gnu::always_inline]] Loaded<K> load(std::size_t from) const {
        Loaded<K> l{K::load(from < whole ? p + from : tail), {}};
        l.classes = K::classify(l.block);
        if (from >= whole)
            keep_classes(l.classes, from == whole ? below(static_cast<unsigned>(n - whole)) : 0);
        return l;
    }

    [[gnu::always_inline]] Loaded<K> current() const { return load(at); }

    // Whether the current block is a whole one, and the rest of the walk.
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

// A field is printed as words until its first "<" turns up; from there on it
// is in bracket mode, and the words it wrote before are not its output. They
// are taken back by moving the output back to where the field's output began.
// Once the output has been handed over in the middle of a field that is no
// longer possible: before such a flush the field's mode is settled by running
// the rules ahead, and a field found to go into bracket mode keeps no word
// from then on.
class TakeBack {
    enum class Mode { open, words, brackets }; // the open field's, once settled
    Mode mode = Mode::open;
    std::size_t field_out = 0; // where the output of the open field began

    // Whether the field open at the current block goes into bracket mode
    // before it ends: the rules run ahead, writing nothing.
    template <class K, class Source>
    [[gnu::noinline]] static bool goes_bracket(Blocks<K, Source> blocks, Carries<Word> k) {
        for (; !blocks.done(); blocks.advance()) {
            const Selection<u64> s = blocks.rules(blocks.current(), k);
            const u64 own = s.starts ? below(lowest(s.starts)) : ~u64{0};
            if (s.first_open & own)
                return true;
            if (s.starts)
                return false;
        }
        return false;
    }

    [[gnu::always_inline]] void drop_words(Selection<u64>& s, char*& o, char* base) {
        if (mode == Mode::brackets) { // its words were never kept
            const u64 marks = s.starts | s.first_open;
            const u64 own = marks ? below(lowest(marks)) : ~u64{0};
            s.keep &= ~own;
            s.newline &= ~own;
        }
        // The words before each field's first "<": in this block, and in the
        // blocks before it for a field that started there.
        for (u64 f = s.first_open; f; f &= f - 1) {
            const unsigned open = lowest(f);
            const u64 field_starts = s.starts & below(open);
            u64 drop = below(open);
            if (field_starts)
                drop &= ~below(highest(field_starts));
            else if (mode == Mode::open)
                o = base + field_out;
            s.keep &= ~drop;
            s.newline &= ~drop;
        }
        if (s.first_open)
            mode = Mode::open;
    }

  public:
    // Before the output is handed over at the current block.
    template <class K, class Source>
    [[gnu::always_inline]] void settle(Output& out, const Blocks<K, Source>& blocks,
                                       const Carries<Word>& k) {
        if (k.starts_field || k.seen_open || mode != Mode::open)
            return;
        if (goes_bracket(blocks, k)) {
            out.len = field_out;
            mode = Mode::brackets;
        } else {
            mode = Mode::words;
        }
    }

    // Drops from s, and from the output before o, the words that are not a
    // field's output; then notes where the last field starting in s begins
    // its output, given what s writes before it.
    [[gnu::always_inline]] void apply(Selection<u64>& s, char*& o, char* base, bool crlf) {
        if ((s.first_open != 0) | (mode == Mode::brackets)) // one branch: both are rare
            drop_words(s, o, base);
        if (s.starts) {
            mode = Mode::open; // the field it was said of has ended
            const u64 before_start = below(highest(s.starts));
            field_out = static_cast<std::size_t>(o - base) + count(s.keep & before_start) +
                        (crlf ? count(s.newline & before_start) : 0);
        }
    }
};

// Stores the selected bytes of block at o, each line end as out's newline.
template <class K>
[[gnu::always_inline]] inline char* pack_block(const typename K::Block& block,
                                               const Selection<u64>& s, bool crlf, char* o) {
    if (!crlf)
        return K::pack(K::set_bytes(block, s.newline, '\n'), s.keep, o);
    if (!s.newline)
        return K::pack(block, s.keep, o);
    // Each byte is widened to itself and an LF: a line end keeps both, with
    // its byte made a CR; any other byte keeps only itself.
    const auto b = K::set_bytes(block, s.newline, '\r');
    o = K::pack(K::widen(b, 0), spread(s.keep) | spread(s.newline) << 1, o);
    return K::pack(K::widen(b, 1), spread(s.keep >> 32) | spread(s.newline >> 32) << 1, o);
}

template <class K, class Source> void print(Output& out, const char* p, std::size_t n) {
    if (out.cap < output_slack)
        return;
    TakeBack take_back;
    Carries<Word> carries;
    const bool crlf = out.crlf;
    char* const base = out.buf.get();
    char* const full = base + (out.cap - output_slack); // past here, no room for a block
    char* o = base + out.len;
    Blocks<K, Source> blocks(p, n);
    const auto print_block = [&](const Loaded<K>& l) __attribute__((always_inline)) {
        if (o > full) {
            out.len = static_cast<std::size_t>(o - base);
            take_back.settle(out, blocks, carries);
            out_flush(out);
            o = base + out.len;
        }
        Selection<u64> s = blocks.rules(l, carries);
        take_back.apply(s, o, base, crlf);
        if (s.keep)
            o = pack_block<K>(l.block, s, crlf, o);
    };
    // The whole blocks, then the rest: the first loop asks nothing more.
    for (; blocks.in_whole(); blocks.advance())
        print_block(blocks.current_whole());
    for (; !blocks.done(); blocks.advance())
        print_block(blocks.current());
    out.len = static_cast<std::size_t>(o - base);
}

template <class K> void print_fields(Output& out, const char* p, std::size_t n) {
    print<K, Fields>(out, p, n);
}

template <class K> std::size_t find_stop(const char* p, std::size_t n) {
    std::size_t at = 0;
    for (; n - at >= block_size; at += block_size)
        if (const u64 m = K::stops(K::load(p + at)))
            return at + lowest(m);
    if (at == n)
        return n;
    char copy[block_size];
    std::memset(copy, ' ', sizeof copy);
    std::memcpy(copy, p + at, n - at);
    const u64 m = K::stops(K::load(copy)) & below(static_cast<unsigned>(n - at));
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
