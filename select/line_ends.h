// Finding the LFs of a piece, one after another. Lines are short (a header
// line is some 50 bytes), so a call of memchr for each costs more than the
// search itself: where the CPU has SSE2, a block of 64 bytes is compared at
// once and its LFs are handed out from a mask, one bit each. Elsewhere
// memchr serves.
//
// In an mbox body only an empty line matters, so there the search is for an
// LF followed by an LF or a CR: with SSE2, 64 bytes a step; elsewhere memchr
// from LF to LF.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

struct LineEnds {
    const char* p; // the piece
    std::size_t n;
    std::size_t block = 0; // where the block of the mask starts
    std::uint64_t lfs = 0; // its LFs, bit i for byte block + i
};

#ifdef __SSE2__
// The LFs of the 64 bytes at p as a mask.
inline std::uint64_t lf_mask(const char* p) {
    const __m128i lf = _mm_set1_epi8('\n');
    std::uint64_t mask = 0;
    for (unsigned i = 0; i < 4; ++i) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
        mask |= std::uint64_t{static_cast<std::uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, lf)))}
                << 16 * i;
    }
    return mask;
}

// Loads the block that starts at offset at; the last, short one through a
// copy padded with NULs.
inline void load_block(LineEnds& e, std::size_t at) {
    e.block = at;
    if (e.n - at >= 64) {
        e.lfs = lf_mask(e.p + at);
        return;
    }
    char last[64] = {};
    std::memcpy(last, e.p + at, e.n - at);
    e.lfs = lf_mask(last);
}

inline LineEnds line_ends(const char* p, std::size_t n) {
    LineEnds e{p, n};
    if (n > 0)
        load_block(e, 0);
    return e;
}

// The offset of the first LF at or after from (the offsets asked for never
// go back), or n.
inline std::size_t next_lf(LineEnds& e, std::size_t from) {
    for (;;) {
        if (from < e.block + 64) {
            const std::uint64_t ahead = e.lfs >> (from - e.block) << (from - e.block);
            if (ahead != 0)
                return e.block + static_cast<std::size_t>(__builtin_ctzll(ahead));
            from = e.block + 64;
        }
        if (from >= e.n)
            return e.n;
        load_block(e, from);
    }
}

// Whether each of the 16 bytes at p is an LF followed by an LF or a CR.
inline __m128i lf_then_lf_or_cr(const char* p) {
    const __m128i lf = _mm_set1_epi8('\n'), cr = _mm_set1_epi8('\r');
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 1));
    return _mm_and_si128(_mm_cmpeq_epi8(v, lf),
                         _mm_or_si128(_mm_cmpeq_epi8(next, lf), _mm_cmpeq_epi8(next, cr)));
}

inline unsigned bits(__m128i v) {
    return static_cast<std::uint16_t>(_mm_movemask_epi8(v));
}

// The first offset at or after from, and before n - 1, of an LF followed by
// an LF or a CR, or n.
inline std::size_t next_lf_before_lf_or_cr(const char* p, std::size_t from, std::size_t n) {
    std::size_t i = from;
    for (; n - i > 64; i += 64) { // 65 bytes: the last one follows the block
        const __m128i a = lf_then_lf_or_cr(p + i), b = lf_then_lf_or_cr(p + i + 16),
                      c = lf_then_lf_or_cr(p + i + 32), d = lf_then_lf_or_cr(p + i + 48);
        if (bits(_mm_or_si128(_mm_or_si128(a, b), _mm_or_si128(c, d))) == 0)
            continue;
        const std::uint64_t found = bits(a) | std::uint64_t{bits(b)} << 16 |
                                    std::uint64_t{bits(c)} << 32 | std::uint64_t{bits(d)} << 48;
        return i + static_cast<std::size_t>(__builtin_ctzll(found));
    }
    for (; i + 1 < n; ++i)
        if (p[i] == '\n' && (p[i + 1] == '\n' || p[i + 1] == '\r'))
            return i;
    return n;
}
#else
inline LineEnds line_ends(const char* p, std::size_t n) {
    return LineEnds{p, n};
}

inline std::size_t next_lf(LineEnds& e, std::size_t from) {
    const void* lf = std::memchr(e.p + from, '\n', e.n - from);
    return lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - e.p) : e.n;
}

inline std::size_t next_lf_before_lf_or_cr(const char* p, std::size_t from, std::size_t n) {
    for (std::size_t i = from; i + 1 < n; ++i) {
        const void* lf = std::memchr(p + i, '\n', n - 1 - i);
        if (!lf)
            break;
        i = static_cast<std::size_t>(static_cast<const char*>(lf) - p);
        if (p[i + 1] == '\n' || p[i + 1] == '\r')
            return i;
    }
    return n;
}
#endif
