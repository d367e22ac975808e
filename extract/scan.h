// The searches and writers of the per-line path. Each search finds the next
// byte in [p, end) that can change what the value cleaner or the address
// printer does, and returns it (or end); each writer turns a value into its
// address lines. Nothing here reads outside [p, end).
//
// Two versions with the same results: scan_portable goes a byte at a time;
// scan_sse2 looks at 16 bytes at once and is used wherever the compiler
// targets SSE2 (every x86-64; 32-bit x86 only with -msse2). Callers write
// scan::find_paren and get the best one built; the tests check both.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "extract/address.h"

namespace scan_portable {

// "(" and ")" are 0x28 and 0x29: one test covers both.
inline bool is_paren(unsigned char c) {
    return (c | 1) == ')';
}

// "<" and ">" are 0x3C and 0x3E.
inline bool is_angle(unsigned char c) {
    return (c | 2) == '>';
}

template <typename Pred> const char* find_if(const char* p, const char* end, Pred pred) {
    while (p < end && !pred(static_cast<unsigned char>(*p)))
        ++p;
    return p;
}

inline const char* find_paren(const char* p, const char* end) {
    return find_if(p, end, is_paren);
}

inline const char* find_angle(const char* p, const char* end) {
    return find_if(p, end, is_angle);
}

inline const char* find_space(const char* p, const char* end) {
    return find_if(p, end, is_space);
}

inline const char* skip_space(const char* p, const char* end) {
    return find_if(p, end, [](unsigned char c) { return !is_space(c); });
}

inline const char* find_byte(const char* p, const char* end, char c) {
    const void* hit = std::memchr(p, c, static_cast<std::size_t>(end - p));
    return hit ? static_cast<const char*>(hit) : end;
}

// "(", ")" or "<": the bytes that decide how a value is printed.
inline bool is_paren_or_open(unsigned char c) {
    return is_paren(c) || c == '<';
}

inline const char* find_paren_or_open(const char* p, const char* end) {
    return find_if(p, end, is_paren_or_open);
}

// Copies [p, first paren) to o and returns the paren (or end).
inline const char* copy_until_paren(char* o, const char* p, const char* end) {
    const char* paren = find_paren(p, end);
    std::memcpy(o, p, static_cast<std::size_t>(paren - p));
    return paren;
}

// One bit per byte of the n bytes at p (n at most 64), set where it is an LF.
inline std::uint64_t lf_bits(const char* p, std::size_t n) {
    std::uint64_t lfs = 0;
    for (std::size_t i = 0; i < n; ++i)
        lfs |= std::uint64_t{p[i] == '\n'} << i;
    return lfs;
}

constexpr std::size_t newline_size = sizeof output_newline - 1;

// Room that the writers below need at o for the address lines of n bytes:
// every byte may become a line end, and the block writers store whole blocks.
constexpr std::size_t words_room(std::size_t n) {
    return newline_size * (n + 1) + 32;
}

inline char* write_newline(char* o) {
    std::memcpy(o, output_newline, newline_size);
    return o + newline_size;
}

// The writers below turn a value, comments and all, into address lines at
// o: they write up to the first paren in [p, end) and return it (or end),
// with o moved past what they wrote. The state they are given says how the
// text before p left off, and is updated, so that the caller can skip the
// comment and go on; the caller ends the last line still open with
// write_newline.

// Word mode: every word followed by a line end. after_space says whether the
// byte before p was whitespace, or p starts the value (the leading run is
// dropped); while it is clear, a word is open. Branch-free: each byte is
// stored, a space as the first byte of a line end, and the output moves on
// past a word byte, or past the line end when the space ends a word.
inline const char* write_words(char*& o, const char* p, const char* end, bool& after_space) {
    for (; p < end && !is_paren(static_cast<unsigned char>(*p)); ++p) {
        auto c = static_cast<unsigned char>(*p);
        bool space = is_space(c);
        o[0] = space ? output_newline[0] : static_cast<char>(c);
        if (newline_size == 2)
            o[1] = output_newline[newline_size - 1];
        o += space ? (after_space ? 0 : newline_size) : 1;
        after_space = space;
    }
    return p;
}

// Bracket mode, for the text after the first "<" of a value: bytes inside
// brackets are written, and a ">" ends an address (even one never opened).
// inside says whether an address is open.
inline const char* write_bracketed(char*& o, const char* p, const char* end, bool& inside) {
    for (; p < end && !is_paren(static_cast<unsigned char>(*p)); ++p) {
        if (*p == '>') {
            o = write_newline(o);
            inside = false;
        } else if (*p == '<') {
            inside = true;
        } else {
            *o = *p;
            o += inside;
        }
    }
    return p;
}

} // namespace scan_portable

#if defined(__SSE2__)
namespace scan_sse2 {

constexpr std::ptrdiff_t block = 16;

inline __m128i load(const char* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

inline __m128i splat(char c) {
    return _mm_set1_epi8(c);
}

// One bit per byte of the block, set where the byte matches.
inline unsigned bits(__m128i matches) {
    return static_cast<unsigned>(_mm_movemask_epi8(matches));
}

inline unsigned paren_bits(__m128i v) {
    return bits(_mm_cmpeq_epi8(_mm_or_si128(v, splat(1)), splat(')')));
}

inline unsigned angle_bits(__m128i v) {
    return bits(_mm_cmpeq_epi8(_mm_or_si128(v, splat(2)), splat('>')));
}

inline unsigned paren_or_open_bits(__m128i v) {
    return paren_bits(v) | bits(_mm_cmpeq_epi8(v, splat('<')));
}

// 0xFF for space, or tab to CR (c - 9 is at most 4 when counted without
// sign), 0 for any other byte.
inline __m128i space_mask(__m128i v) {
    __m128i from_tab = _mm_sub_epi8(v, splat('\t'));
    __m128i tab_to_cr = _mm_cmpeq_epi8(_mm_min_epu8(from_tab, splat(4)), from_tab);
    return _mm_or_si128(tab_to_cr, _mm_cmpeq_epi8(v, splat(' ')));
}

inline unsigned space_bits(__m128i v) {
    return bits(space_mask(v));
}

inline unsigned non_space_bits(__m128i v) {
    return ~space_bits(v) & 0xFFFFu;
}

// Whole blocks first; the last bytes are covered by one more block that ends
// at end and overlaps bytes already looked at, which are shifted out. Only a
// range shorter than a block goes byte by byte.
template <typename Bits, typename Pred>
const char* find_first(const char* p, const char* end, Bits block_bits, Pred pred) {
    if (end - p < block)
        return scan_portable::find_if(p, end, pred);
    for (; end - p >= block; p += block)
        if (unsigned m = block_bits(load(p)))
            return p + __builtin_ctz(m);
    if (p == end)
        return end;
    const char* last = end - block;
    unsigned m = block_bits(load(last)) >> (p - last);
    return m ? p + __builtin_ctz(m) : end;
}

inline const char* find_paren(const char* p, const char* end) {
    return find_first(p, end, paren_bits, scan_portable::is_paren);
}

inline const char* find_angle(const char* p, const char* end) {
    return find_first(p, end, angle_bits, scan_portable::is_angle);
}

inline const char* find_space(const char* p, const char* end) {
    return find_first(p, end, space_bits, is_space);
}

inline const char* skip_space(const char* p, const char* end) {
    return find_first(p, end, non_space_bits, [](unsigned char c) { return !is_space(c); });
}

inline const char* find_paren_or_open(const char* p, const char* end) {
    return find_first(p, end, paren_or_open_bits, scan_portable::is_paren_or_open);
}

// Inline rather than memchr: the byte sought (a colon, a ")") is mostly near.
inline const char* find_byte(const char* p, const char* end, char c) {
    return find_first(
        p, end, [c](__m128i v) { return bits(_mm_cmpeq_epi8(v, splat(c))); },
        [c](unsigned char b) { return b == static_cast<unsigned char>(c); });
}

// Copies [p, first paren) to o and returns the paren (or end), in one pass:
// each block is stored before it is looked at. o must have room for end - p
// bytes; those after the paren may be overwritten. As in find_first, the
// last bytes go in one block that ends at end, stored over bytes it already
// copied the same way.
inline const char* copy_until_paren(char* o, const char* p, const char* end) {
    if (end - p < block)
        return scan_portable::copy_until_paren(o, p, end);
    for (; end - p >= block; p += block, o += block) {
        __m128i v = load(p);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(o), v);
        if (unsigned m = paren_bits(v))
            return p + __builtin_ctz(m);
    }
    if (p == end)
        return end;
    const char* last = end - block;
    __m128i v = load(last);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(o - (p - last)), v);
    unsigned m = paren_bits(v) >> (p - last);
    return m ? p + __builtin_ctz(m) : end;
}

// As scan_portable::lf_bits, a block at a time when there are 64 bytes.
inline std::uint64_t lf_bits(const char* p, std::size_t n) {
    if (n < 64)
        return scan_portable::lf_bits(p, n);
    std::uint64_t lfs = 0;
    for (int i = 0; i < 4; ++i)
        lfs |= std::uint64_t{bits(_mm_cmpeq_epi8(load(p + 16 * i), splat('\n')))} << 16 * i;
    return lfs;
}

using scan_portable::newline_size;
using scan_portable::words_room;
using scan_portable::write_newline;

inline void store(char* o, __m128i v) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(o), v);
}

// Calls visit(block, at, from) for each block of [p, end), which must hold
// one block at least, until visit returns false: whole blocks with from 0,
// then one that ends at end, whose bytes before from were visited already.
// at is where the block starts.
template <typename Visit> void for_each_block(const char* p, const char* end, Visit visit) {
    for (; end - p >= block; p += block)
        if (!visit(load(p), p, 0))
            return;
    if (p < end)
        visit(load(end - block), end - block, static_cast<int>(block - (end - p)));
}

// Where a block's part to write ends: at its first paren, or its end.
inline int part_end(unsigned parens) {
    return parens ? __builtin_ctz(parens) : static_cast<int>(block);
}

// The bits of a block below bit to.
inline unsigned below_bit(int to) {
    return (1u << to) - 1;
}

// The bits of a block from bit from on.
inline unsigned from_bit(int from) {
    return 0xFFFFu << from & 0xFFFFu;
}

// Copies the block bytes [from, to) in v, through the scratch copy kept at
// tmp, to o; returns o moved past them. Writes a whole block at o.
inline char* copy_part(char* o, const char* tmp, int from, int to) {
    store(o, load(tmp + from));
    return o + (to - from);
}

// As scan_portable::write_words, for a one-byte line end, a block at a time:
// every space becomes a line end and the block is stored whole; only a space
// that follows a space (rare in headers) is cut out, by storing the block
// again from the byte after it.
inline const char* write_words(char*& o, const char* p, const char* end, bool& after_space) {
    if (newline_size != 1 || end - p < block)
        return scan_portable::write_words(o, p, end, after_space);
    alignas(16) char tmp[2 * block] = {};
    unsigned space_before = after_space;
    const char* stop = end;
    for_each_block(p, end, [&](__m128i v, const char* at, int from) {
        int to = part_end(paren_bits(v) & from_bit(from));
        __m128i space = space_mask(v);
        unsigned space_at = bits(space) & from_bit(from) & below_bit(to);
        unsigned after = space_at << 1 | space_before << from; // bit i: byte i - 1 a space
        unsigned drop = space_at & after;
        space_before = after >> to & 1;
        v = _mm_or_si128(_mm_andnot_si128(space, v), _mm_and_si128(space, splat('\n')));
        if ((drop | static_cast<unsigned>(from) | static_cast<unsigned>(to - block)) == 0) {
            store(o, v);
            o += block;
            return true;
        }
        store(tmp, v);
        int part = from;
        for (; drop != 0; drop &= drop - 1) {
            int cut = __builtin_ctz(drop);
            o = copy_part(o, tmp, part, cut);
            part = cut + 1;
        }
        o = copy_part(o, tmp, part, to);
        if (to == block)
            return true;
        stop = at + to;
        return false;
    });
    after_space = space_before != 0;
    return stop;
}

// As scan_portable::write_bracketed, a block at a time: a block without
// angle brackets is stored whole while inside an address, or skipped.
inline const char* write_bracketed(char*& o, const char* p, const char* end, bool& inside) {
    if (end - p < block)
        return scan_portable::write_bracketed(o, p, end, inside);
    alignas(16) char tmp[2 * block] = {};
    const char* stop = end;
    for_each_block(p, end, [&](__m128i v, const char* at, int from) {
        int to = part_end(paren_bits(v) & from_bit(from));
        unsigned angles = angle_bits(v) & from_bit(from) & below_bit(to);
        if ((angles | static_cast<unsigned>(from) | static_cast<unsigned>(to - block)) == 0) {
            if (inside) {
                store(o, v);
                o += block;
            }
            return true;
        }
        store(tmp, v);
        int part = from;
        for (; angles != 0; angles &= angles - 1) {
            int angle = __builtin_ctz(angles);
            if (inside)
                o = copy_part(o, tmp, part, angle);
            inside = tmp[angle] == '<';
            if (!inside)
                o = write_newline(o);
            part = angle + 1;
        }
        if (inside)
            o = copy_part(o, tmp, part, to);
        if (to == block)
            return true;
        stop = at + to;
        return false;
    });
    return stop;
}

} // namespace scan_sse2

namespace scan = scan_sse2;
#else
namespace scan = scan_portable;
#endif
