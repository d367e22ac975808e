// What the kernels with a byte shuffle (SSSE3 and later) share: 16 bytes
// packed by a shuffle from a table. Each kernel's unit includes it and
// compiles it for its own instruction set.
#pragma once

#include <tmmintrin.h>

#include "extract/kernel/tables.h"

namespace {

// The selected bytes of 16 stored at o, in order: each half's selected bytes
// are shuffled to its front, and the two halves stored one after the other
// (up to 8 bytes past them may be overwritten).
[[gnu::always_inline]] inline char* pack16(__m128i v, unsigned m16, char* o) {
    const unsigned lo = m16 & 0xFF, hi = m16 >> 8;
    const __m128i shuffle = _mm_castps_si128(
        _mm_loadh_pi(_mm_castsi128_ps(_mm_loadl_epi64(
                         reinterpret_cast<const __m128i*>(pack_positions[lo].data()))),
                     reinterpret_cast<const __m64*>(pack_positions_high[hi].data())));
    const __m128i packed = _mm_shuffle_epi8(v, shuffle);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(o), packed);
    o += pack_counts[lo];
    _mm_storel_epi64(reinterpret_cast<__m128i*>(o), _mm_unpackhi_epi64(packed, packed));
    return o + pack_counts[hi];
}

} // namespace
