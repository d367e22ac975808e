// The searches of the per-line path: each finds the next byte in [p, end)
// that can change what the value cleaner or the address printer does, and
// returns it (or end). Nothing here reads outside [p, end).
//
// Two versions with the same results: scan_portable goes a byte at a time;
// scan_sse2 looks at 16 bytes at once and is used wherever the compiler
// targets SSE2 (every x86-64; 32-bit x86 only with -msse2). Callers write
// scan::find_paren and get the best one built; the tests check both.
#pragma once

#include <cstddef>
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

// Copies [p, first paren) to o and returns the paren (or end).
inline const char* copy_until_paren(char* o, const char* p, const char* end) {
    const char* paren = find_paren(p, end);
    std::memcpy(o, p, static_cast<std::size_t>(paren - p));
    return paren;
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

// Space, or tab to CR: c - 9 is at most 4 when counted without sign.
inline unsigned space_bits(__m128i v) {
    __m128i from_tab = _mm_sub_epi8(v, splat('\t'));
    __m128i tab_to_cr = _mm_cmpeq_epi8(_mm_min_epu8(from_tab, splat(4)), from_tab);
    return bits(_mm_or_si128(tab_to_cr, _mm_cmpeq_epi8(v, splat(' '))));
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

} // namespace scan_sse2

namespace scan = scan_sse2;
#else
namespace scan = scan_portable;
#endif
