// Finding the LFs of a piece, one after another. Lines are short (a header
// line is some 50 bytes), so a call of memchr for each costs more than the
// search itself: where the CPU has SSE2, a block of 64 bytes is compared at
// once and its LFs are handed out from a mask, one bit each. Elsewhere
// memchr serves. (A mailbox's body is searched by the kernels instead: see
// empty_line_search.)
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
#else
inline LineEnds line_ends(const char* p, std::size_t n) {
    return LineEnds{p, n};
}

inline std::size_t next_lf(LineEnds& e, std::size_t from) {
    const void* lf = std::memchr(e.p + from, '\n', e.n - from);
    return lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - e.p) : e.n;
}
#endif
