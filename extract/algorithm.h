// The extraction rules, written once as arithmetic on 64-bit masks: bit i of
// a mask stands for byte i of a 64-byte block. A kernel (extract/kernel/)
// supplies the few operations that touch the bytes themselves, as a type K:
//
//   K::Block                       64 bytes in the kernel's registers
//   K::load(p)                     the 64 bytes at p
//   K::classify(block)             their Classes
//   K::stops(block)                the mask of its NULs and Ctrl-Zs
//   K::set_bytes(block, mask, c)   the bytes of mask replaced by c
//   K::widen(block, half)          bytes 32 * half to 32 * half + 31, each
//                                  followed by an LF: 64 bytes
//   K::pack(block, mask, o)        the bytes of mask stored at o, in order;
//                                  returns o moved past them (up to 64 bytes
//                                  beyond them may be overwritten)
//
// Each kernel's unit includes this file and gets its own copy, compiled for
// its instruction set: everything here has internal linkage, so that no copy
// built for one instruction set can stand in for another's at link time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#ifdef __BMI2__
#include <immintrin.h>
#endif

#include "extract/kernel.h"
#include "extract/output.h"

namespace {

using u64 = std::uint64_t;

constexpr std::size_t block_size = 64;

// The rules work in words of the CPU's width: on 32-bit x86, where each
// 64-bit operation takes two, a block is run as two halves of 32 bytes.
// FIELDPICK_WORD32 asks for halves anywhere, so that a 64-bit build can test
// them.
#ifdef FIELDPICK_WORD32
using Word = std::uint32_t;
#else
using Word = std::conditional_t<sizeof(void*) < 8, std::uint32_t, u64>;
#endif

template <class M> constexpr unsigned top_bit = sizeof(M) * 8 - 1;

// A flag that one kind of byte sets and another clears: bit i of the result
// is the flag after byte i. carry holds the flag before the block and is left
// holding it after. The addition runs a carry from each setting byte up to
// the next clearing one; set and clear must not share a bit.
template <class M> inline M flag(M set, M clear, M& carry) {
    const M not_clear = static_cast<M>(~clear);
    const M f =
        static_cast<M>((static_cast<M>(not_clear + set + carry) ^ not_clear) | set) & not_clear;
    carry = f >> top_bit<M>;
    return f;
}

// The flag before each byte, from the flag after it and the carry into the
// block.
template <class M> inline M before(M f, M carry_in) {
    return static_cast<M>(f << 1 | carry_in);
}

inline u64 below(unsigned bit) {
    return bit >= 64 ? ~u64{0} : (u64{1} << bit) - 1;
}

inline unsigned lowest(u64 m) {
    return static_cast<unsigned>(__builtin_ctzll(m));
}

inline unsigned highest(u64 m) {
    return 63u - static_cast<unsigned>(__builtin_clzll(m));
}

inline std::size_t count(u64 m) {
    return static_cast<std::size_t>(__builtin_popcountll(m));
}

// Bit i of x moved to bit 2i, for i below 32.
inline u64 spread(u64 x) {
#ifdef __BMI2__ // one instruction where the kernel's CPU has it
#if defined(__x86_64__)
    return _pdep_u64(x, 0x5555555555555555u);
#else
    const auto half = [](u64 h) { return u64{_pdep_u32(static_cast<unsigned>(h), 0x55555555u)}; };
    return half(x & 0xFFFF) | half(x >> 16 & 0xFFFF) << 32;
#endif
#endif
    x &= 0xFFFFFFFFu;
    x = (x | x << 16) & 0x0000FFFF0000FFFFu;
    x = (x | x << 8) & 0x00FF00FF00FF00FFu;
    x = (x | x << 4) & 0x0F0F0F0F0F0F0F0Fu;
    x = (x | x << 2) & 0x3333333333333333u;
    return (x | x << 1) & 0x5555555555555555u;
}

// The bytes that end a line rather than belong to it: the LF, a CR just
// before it, and a NUL (the input keeps one just before the LF of a line it
// cut short). next is the block after this one.
inline u64 line_end_bytes(const Classes& c, const Classes& next) {
    return c.lf | c.nul | (c.cr & (c.lf >> 1 | next.lf << 63));
}

// The LFs that end a field: those not followed by a line that starts with
// whitespace (a continuation line, which the LF joins to the field). ends
// are the line-end bytes of the block.
inline u64 field_ends(const Classes& c, u64 ends, const Classes& next) {
    const u64 next_ends = next.lf | next.nul | (next.cr & next.lf >> 1);
    const u64 continues = c.space & ~ends;
    const u64 next_continues = next.space & ~next_ends & 1;
    return c.lf & ~(continues >> 1 | next_continues << 63);
}

// The classes of a block, from a kernel's mask of the bytes equal to a value
// and its mask of whitespace: the bytes each class stands for.
template <class Equal> inline Classes classes_by(Equal equal, u64 space) {
    return {equal('\n'), equal('\r'), equal('\0'), space,     equal('('),
            equal(')'),  equal('<'),  equal('>'),  equal(':')};
}

// What the rules carry from one block to the next: the flags before it.
template <class M> struct Carries {
    M starts_field = 1; // the first byte of the input starts a field
    M seeking = 0;      // the field has had only line-end bytes so far
    M after_colon = 0;  // past the field name (or the field has none)
    M in_value = 0;     // past the whitespace that follows it
    M in_comment = 0;
    M seen_open = 0; // the value has had a "<": bracket mode from there
    M inside = 0;    // within angle brackets
    M in_word = 0;
};

// What one block writes, and the marks that the printing loop needs.
template <class M> struct Selection {
    M value;      // the header value: after the field name, less comments
    M keep;       // bytes written: address bytes, and line ends in newline
    M newline;    // bytes that become line ends
    M first_open; // the "<" that puts a field in bracket mode
    M starts;     // the first byte of each field
};

// The rules for one block, or half a block. ends are the bytes that end a
// field, dropped the bytes that belong to no line's text (see
// line_end_bytes). A field is printed in word mode until its first "<"; the
// caller takes back the words before it (see take_back_words).
template <class M>
inline Selection<M> rules(const ClassMasks<M>& c, M dropped, M ends, Carries<M>& k) {
    const M text = static_cast<M>(~dropped);
    const Carries<M> in = k; // the flags before the block

    const M starts = static_cast<M>(ends << 1 | in.starts_field);
    k.starts_field = ends >> top_bit<M>;
    M first = starts; // a field's first byte of text, mostly where it starts
    if ((starts & dropped) | in.seeking)
        first = text & (starts | before(flag<M>(starts & dropped, text, k.seeking), in.seeking));

    // The field name ends at the first colon; a field whose first byte is
    // whitespace has none. The value starts at the first byte after that
    // which is not whitespace.
    const M after_colon = flag<M>(c.colon | (first & c.space), ends, k.after_colon);
    const M value =
        flag<M>(before(after_colon, in.after_colon) & text & ~c.space, ends, k.in_value);

    // Comments do not nest: the first ")" ends one, and a stray ")" is dropped.
    const M comment = flag<M>(c.open_paren & value, c.close_paren | ends, k.in_comment);
    const M kept = value & text & ~comment & ~c.close_paren;

    // Bracket mode: from the first "<" on, what stands between angle
    // brackets, each ">" (even one that closes nothing) ending a line, and
    // the field's end ending an address still open.
    const M open = c.open_angle & kept;
    const M close = c.close_angle & kept;
    const M seen_open = flag<M>(open, ends, k.seen_open);
    const M seen_before = before(seen_open, in.seen_open);
    const M bracket_mode = seen_open | (ends & seen_before);
    const M inside = flag<M>(open, close | ends, k.inside);
    const M bracket_newline = (close & seen_open) | (ends & before(inside, in.inside));
    const M bracket_keep = (kept & inside & ~c.open_angle) | bracket_newline;

    // Word mode: every run of bytes that are not whitespace, each ended by
    // the whitespace or the field end after it.
    const M word = kept & ~c.space;
    const M gap = (kept & c.space) | ends;
    const M word_newline = gap & before(flag<M>(word, gap, k.in_word), in.in_word);

    return {kept, static_cast<M>(((word | word_newline) & ~bracket_mode) | bracket_keep),
            static_cast<M>((word_newline & ~bracket_mode) | bracket_newline),
            static_cast<M>(open & ~seen_before), starts};
}

// The rules for a whole block in words of the CPU's width.
template <class W = Word>
inline Selection<u64> block_rules(const Classes& c, u64 dropped, u64 ends, Carries<W>& k) {
    if constexpr (std::is_same_v<W, u64>) {
        return rules<W>(c, dropped, ends, k);
    } else {
        const auto half = [](u64 m, unsigned h) { return static_cast<Word>(m >> 32 * h); };
        Selection<Word> s[2];
        for (unsigned h = 0; h < 2; ++h) {
            const ClassMasks<Word> ch = {
                half(c.lf, h),         half(c.cr, h),          half(c.nul, h),
                half(c.space, h),      half(c.open_paren, h),  half(c.close_paren, h),
                half(c.open_angle, h), half(c.close_angle, h), half(c.colon, h)};
            s[h] = rules<Word>(ch, half(dropped, h), half(ends, h), k);
        }
        const auto join = [](Word lo, Word hi) { return u64{hi} << 32 | lo; };
        return {join(s[0].value, s[1].value), join(s[0].keep, s[1].keep),
                join(s[0].newline, s[1].newline), join(s[0].first_open, s[1].first_open),
                join(s[0].starts, s[1].starts)};
    }
}

// Where a run of text comes from: whole fields of the input, or one logical
// header line, all of it text, with a field end just past its last byte.
enum class Source { fields, line };

// A block shorter than 64 bytes, read from a copy: its bytes past the end
// are of no class.
template <class K>
[[gnu::noinline]] void load_short(const char* p, std::size_t n, typename K::Block& b, Classes& c) {
    char copy[block_size] = {};
    std::memcpy(copy, p, n);
    b = K::load(copy);
    c = K::classify(b);
    const u64 valid = below(static_cast<unsigned>(n));
    for (u64* m : {&c.lf, &c.cr, &c.nul, &c.space, &c.open_paren, &c.close_paren, &c.open_angle,
                   &c.close_angle, &c.colon})
        *m &= valid;
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
// each. A line is read up to the block that holds the field end past its last
// byte.
template <class K, Source source> struct Blocks {
    const char* p;
    std::size_t n;
    std::size_t at = 0;
    typename K::Block block{}, next_block{};
    Classes classes{}, next{};

    Blocks(const char* text, std::size_t len) : p(text), n(len) {
        load_at<K>(p, n, at, block, classes);
        load_at<K>(p, n, at + block_size, next_block, next);
    }

    bool done() const {
        if constexpr (source == Source::fields)
            return at >= n;
        return at > n;
    }

    void advance() {
        at += block_size;
        block = next_block;
        classes = next;
        load_at<K>(p, n, at + block_size, next_block, next);
    }

    // The rules for the current block.
    Selection<u64> rules(Carries<Word>& k) const {
        if constexpr (source == Source::line) {
            Classes c = classes;
            c.lf = c.cr = c.nul = 0; // within a line they are only text
            const u64 end = n - at < block_size ? u64{1} << (n - at) : 0;
            return block_rules(c, 0, end, k);
        }
        const u64 dropped = line_end_bytes(classes, next);
        return block_rules(classes, dropped, field_ends(classes, dropped, next), k);
    }

    // Bytes of the current block that lie past the end.
    u64 past_end() const {
        return n - at >= block_size ? 0 : ~below(static_cast<unsigned>(n - at));
    }
};

// The mode of a field still open and already partly written, when the output
// must be flushed before its end.
enum class Settled { no, word, bracket };

struct Printer {
    std::size_t field_out = 0; // where the output of the open field began
    Settled settled = Settled::no;
};

// Whether the field open at the current block goes into bracket mode before
// it ends: the rules are run ahead, writing nothing.
template <class K, Source source>
[[gnu::noinline]] bool goes_bracket(Blocks<K, source> blocks, Carries<Word> k) {
    for (; !blocks.done(); blocks.advance()) {
        const Selection<u64> s = blocks.rules(k);
        const u64 own = s.starts ? below(lowest(s.starts)) : ~u64{0};
        if (s.first_open & own)
            return true;
        if (s.starts)
            return false;
    }
    return false;
}

// Empties the output buffer. A field still open that has written only words
// so far may yet turn out to be in bracket mode: its mode is settled first,
// and its words taken back if so, since they cannot be once handed over.
template <class K, Source source>
[[gnu::always_inline]] inline void flush(Output& out, Printer& pr, const Blocks<K, source>& blocks,
                                         const Carries<Word>& k) {
    if (!k.starts_field && !k.seen_open && pr.settled == Settled::no) {
        if (goes_bracket(blocks, k)) {
            out.len = pr.field_out;
            pr.settled = Settled::bracket;
        } else {
            pr.settled = Settled::word;
        }
    }
    out_flush(out);
}

// The words a field wrote before its first "<" are not its output: they are
// dropped from this block, and from the blocks before it by moving the
// output back to where the field began.
[[gnu::always_inline]] inline void take_back_words(Selection<u64>& s, Printer& pr, char*& o,
                                                   char* base) {
    if (pr.settled == Settled::bracket) { // its words were never kept
        const u64 marks = s.starts | s.first_open;
        const u64 own = marks ? below(lowest(marks)) : ~u64{0};
        s.keep &= ~own;
        s.newline &= ~own;
    }
    for (u64 f = s.first_open; f; f &= f - 1) {
        const unsigned open = lowest(f);
        const u64 field_starts = s.starts & below(open);
        u64 drop = below(open);
        if (field_starts)
            drop &= ~below(highest(field_starts));
        else if (pr.settled == Settled::no)
            o = base + pr.field_out;
        s.keep &= ~drop;
        s.newline &= ~drop;
    }
    if (s.first_open)
        pr.settled = Settled::no;
}

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

template <class K, Source source> void print(Output& out, const char* p, std::size_t n) {
    if (out.cap < output_slack)
        return;
    Printer pr;
    Carries<Word> carries;
    for (Blocks<K, source> blocks(p, n); !blocks.done(); blocks.advance()) {
        if (out.cap - out.len < output_slack)
            flush(out, pr, blocks, carries);
        Selection<u64> s = blocks.rules(carries);
        s.keep &= ~blocks.past_end() | s.newline;
        char* base = out.buf.get();
        char* o = base + out.len;
        if (s.first_open | (pr.settled == Settled::bracket ? ~u64{0} : 0))
            take_back_words(s, pr, o, base);
        if (s.starts) {
            pr.settled = Settled::no; // the field it was said of has ended
            const u64 before_start = below(highest(s.starts));
            pr.field_out = static_cast<std::size_t>(o - base) + count(s.keep & before_start) +
                           (out.crlf ? count(s.newline & before_start) : 0);
        }
        if (s.keep)
            o = pack_block<K>(blocks.block, s, out.crlf, o);
        out.len = static_cast<std::size_t>(o - base);
    }
}

template <class K> void print_fields(Output& out, const char* p, std::size_t n) {
    print<K, Source::fields>(out, p, n);
}

template <class K> void print_address(Output& out, const char* p, std::size_t n) {
    print<K, Source::line>(out, p, n);
}

template <class K> std::size_t extract_value(char* out, const char* p, std::size_t n) {
    std::size_t len = 0;
    Carries<Word> k;
    char packed[2 * block_size];
    for (Blocks<K, Source::line> blocks(p, n); !blocks.done(); blocks.advance()) {
        const u64 value = blocks.rules(k).value & ~blocks.past_end();
        const auto got = static_cast<std::size_t>(K::pack(blocks.block, value, packed) - packed);
        std::memcpy(out + len, packed, got);
        len += got;
    }
    return len;
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
    typename K::Block block{};
    Classes c{}, next{};
    load_at<K>(p, n, from + block_size, block, next);
    for (;; from -= block_size) {
        load_at<K>(p, n, from, block, c);
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

template <class K> Classes classify_bytes(const char* p) {
    return K::classify(K::load(p));
}

// The kernel made of K's primitives and the rules above.
template <class K> constexpr Kernel kernel_of(const char* name, bool (*supported)()) {
    return {name,
            supported,
            classify_bytes<K>,
            print_fields<K>,
            print_address<K>,
            extract_value<K>,
            find_stop<K>,
            fields_end<K>};
}

} // namespace
