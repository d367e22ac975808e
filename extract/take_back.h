// The words of a field that goes into bracket mode, taken back from the
// output as the blocks are printed (extract/print.h).
#pragma once

#include <cstddef>

#include "extract/blocks.h"
#include "extract/output.h"
#include "extract/rules.h"

namespace {

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
        // Each block is classified once: as the next one, then as its own.
        for (Classes c = blocks.classes_at(blocks.at), next; !blocks.done(); c = next) {
            next = blocks.classes_at(blocks.at + block_size);
            const Selection<u64> s = blocks.rules(c, next, k);
            blocks.advance();
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

} // namespace
