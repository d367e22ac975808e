// The rules of the filter, written once as arithmetic on 64-bit masks: bit i
// of a mask stands for byte i of a 64-byte block. Nothing here touches a
// byte; extract/blocks.h reads the blocks and extract/print.h prints what
// the rules select.
// Everything has internal linkage: each kernel's unit gets its own copy,
// compiled for its instruction set.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#ifdef __BMI2__
#include <immintrin.h>
#endif

#include "extract/classes.h"

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
// holding it after. In ~clear + set + carry (here set - clear - 1 + carry), a
// carry runs from each setting byte through the bytes that do not clear, and
// leaves them 0: those, and the setting bytes, hold the flag. set and clear
// must not share a bit.
template <class M> inline M flag(M set, M clear, M& carry) {
    const M sum = static_cast<M>(set - clear - 1 + carry);
    const M f = static_cast<M>(~(sum | clear) | set);
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
inline u64 to_even_bits(u64 x) {
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
// and its mask of whitespace, the one class of several bytes.
template <class Equal> inline Classes classes_by(Equal equal, u64 space) {
    return map_classes<u64>([&](auto c) {
        constexpr std::string_view bytes = decltype(c)::bytes;
        if constexpr (bytes.size() == 1) {
            return equal(bytes[0]);
        } else {
            static_assert(std::is_same_v<decltype(c), byte_class::space>,
                          "a class of several bytes needs a test of its own");
            return space;
        }
    });
}

// What the rules carry from one block to the next: the flags before it.
template <class M> struct Carries {
    M starts_field = 1; // the first byte of the input starts a field
    M seeking = 0;      // the field has had only line-end bytes so far
    M after_colon = 0;  // past the field name (or the field has none)
    M in_comment = 0;
    M seen_open = 0;  // the value has had a "<": bracket mode from there
    M in_address = 0; // within an address (angle brackets, or a word)
};

// What one block writes, and the marks that the printing loop needs.
template <class M> struct Selection {
    M past_name;  // the bytes of text past the field name
    M kept;       // of those, the ones no comment drops
    M keep;       // bytes written: address bytes, and line ends in newline
    M newline;    // bytes that become line ends
    M first_open; // the "<" that puts a field in bracket mode
    M starts;     // the first byte of each field
    M ends;       // the bytes that end a field
};

// The marks of a selection, each f(from.NAME...).
template <class To, class F, class... From>
inline Selection<To> map_selection(F f, const Selection<From>&... from) {
    return {f(from.past_name...),  f(from.kept...),   f(from.keep...), f(from.newline...),
            f(from.first_open...), f(from.starts...), f(from.ends...)};
}

// The rules run in two parts, each over a run of blocks in turn: the text
// of a field (past its name, outside comments), then its addresses. Each
// part carries fewer flags than the whole, so the loop that runs it keeps
// them in registers.

// The first part, for one block or half a block: which bytes are text past
// the field name that no comment drops, written to s. ends are the bytes
// that end a field; dropped are the bytes that belong to no line's text (see
// line_end_bytes), and include ends.
template <class M>
inline void text_rules(const ClassMasks<M>& c, M dropped, M ends, Carries<M>& k, Selection<M>& s) {
    const M text = static_cast<M>(~dropped);
    const Carries<M> in = k; // the flags before the block

    const M starts = static_cast<M>(ends << 1 | in.starts_field);
    k.starts_field = ends >> top_bit<M>;
    M first = starts; // a field's first byte of text, mostly where it starts
    if ((starts & dropped) | in.seeking)
        first = text & (starts | before(flag<M>(starts & dropped, text, k.seeking), in.seeking));

    // The field name ends at the first colon; a field whose first byte is
    // whitespace has none. (The whitespace after it, which the value leaves
    // out, makes no word and opens no bracket: printing has no need to tell
    // it apart; see value_bytes.)
    const M after_colon = flag<M>(c.colon | (first & c.space), ends, k.after_colon);
    const M past_name = before(after_colon, in.after_colon) & text;

    // Comments do not nest: the first ")" ends one, and a stray ")" is dropped.
    const M comment = flag<M>(c.open_paren & past_name, c.close_paren | ends, k.in_comment);
    s.past_name = past_name;
    s.kept = past_name & ~comment & ~c.close_paren;
    s.starts = starts;
    s.ends = ends;
}

// The second part: the addresses among the bytes s keeps, written to s. A
// field is printed in word mode until its first "<"; the printer takes back
// the words before it (see TakeBack).
template <class M>
inline void address_rules(const ClassMasks<M>& c, Selection<M>& s, Carries<M>& k) {
    const Carries<M> in = k;
    const M kept = s.kept;
    const M ends = s.ends;

    // An address runs, in bracket mode (from the field's first "<" on), from
    // a "<" to a ">", each ">" (even one that closes nothing) ending a line;
    // before that, in word mode, from a byte that is not whitespace to the
    // whitespace after it. The field's end ends an address still open. One
    // flag serves both modes, as a byte is in one of them only.
    const M open = c.open_angle & kept;
    const M seen_open = flag<M>(open, ends, k.seen_open);
    const M close = c.close_angle & kept & seen_open;
    const M words = kept & static_cast<M>(~seen_open);
    const M word = words & ~c.space;
    const M gap = words & c.space;
    const M address = flag<M>(open | word, close | gap | ends, k.in_address);
    s.newline = close | ((gap | ends) & before(address, in.in_address));
    s.keep = static_cast<M>((kept & address & ~c.open_angle) | s.newline);
    s.first_open = static_cast<M>(open & ~before(seen_open, in.seen_open));
}

// Runs part(classes, selection) of a whole block in words of the CPU's
// width, on c and s; part also gets the function that takes a word's share
// of a block's mask.
template <class W = Word, class Part>
[[gnu::always_inline]] inline void in_words(const Classes& c, Selection<u64>& s, Part part) {
    if constexpr (std::is_same_v<W, u64>) {
        part(c, s, [](u64 m) { return m; });
    } else {
        Selection<W> h[2];
        for (unsigned i = 0; i < 2; ++i) {
            const auto half = [i](u64 m) { return static_cast<W>(m >> 32 * i); };
            h[i] = map_selection<W>(half, s);
            part(map_classes<W>([&](auto, u64 m) { return half(m); }, c), h[i], half);
        }
        s = map_selection<u64>([](W lo, W hi) { return u64{hi} << 32 | lo; }, h[0], h[1]);
    }
}

// Each part of the rules for a whole block, written to s.
template <class W = Word>
[[gnu::always_inline]] inline void block_text_rules(const Classes& c, u64 dropped, u64 ends,
                                                    Carries<W>& k, Selection<u64>& s) {
    in_words<W>(c, s, [&](const auto& ch, auto& sh, auto half) {
        text_rules(ch, half(dropped), half(ends), k, sh);
    });
}

template <class W = Word>
[[gnu::always_inline]] inline void block_address_rules(const Classes& c, Selection<u64>& s,
                                                       Carries<W>& k) {
    in_words<W>(c, s, [&](const auto& ch, auto& sh, auto) { address_rules(ch, sh, k); });
}

// The header value of one logical header line, in a block that s selects:
// the bytes kept from the first one past the field name that is not
// whitespace (a comment's "(" included). carry holds the flag "past that
// byte" from one block to the next.
inline u64 value_bytes(const Selection<u64>& s, u64 space, u64& carry) {
    return s.kept & flag<u64>(s.past_name & ~space, 0, carry);
}

} // namespace
