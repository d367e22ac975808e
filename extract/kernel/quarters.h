// What the kernels of 16 bytes at a time (SSE2, SSSE3) share: the masks of a
// block from its four quarters, its bytes equal to one, its classes by
// comparison, and its NULs and Ctrl-Zs. A kernel K gives quarter i of a
// block as K::quarter(block, i). Classes by a lookup of each nibble, as in
// the AVX2 kernel, were slower here: in 16 bytes they save only 4 of the 36
// movemasks, and add the lookups.
#pragma once

#include <emmintrin.h>

#include "extract/rules.h"
#include "extract/whitespace.h"

namespace {

// The mask of the bytes whose match has its top bit set.
template <class K, typename Match>
[[gnu::always_inline]] inline u64 quarter_bits(const typename K::Block& b, Match match) {
    const auto mask = [&](unsigned i) {
        return static_cast<unsigned>(_mm_movemask_epi8(match(K::quarter(b, i))));
    };
    return u64{mask(3) << 16 | mask(2)} << 32 | (mask(1) << 16 | mask(0));
}

template <class K>
[[gnu::always_inline]] inline u64 equal_quarters(const typename K::Block& b, char c) {
    return quarter_bits<K>(b, [c](__m128i v) { return _mm_cmpeq_epi8(v, _mm_set1_epi8(c)); });
}

template <class K>
[[gnu::always_inline]] inline Classes classify_quarters(const typename K::Block& b) {
    // Tab to CR are 9 to 13: moved up by 0x80 - 9, they are the only bytes
    // below -123 counted with sign.
    const u64 space = quarter_bits<K>(b, [](__m128i v) {
        const __m128i moved = _mm_add_epi8(v, _mm_set1_epi8(0x80 - first_control_space));
        return _mm_or_si128(_mm_cmplt_epi8(moved, _mm_set1_epi8(-128 + last_control_space -
                                                                first_control_space + 1)),
                            _mm_cmpeq_epi8(v, _mm_set1_epi8(' ')));
    });
    return classes_by([&b](char c) { return equal_quarters<K>(b, c); }, space);
}

// A NUL or a Ctrl-Z is 0 once XORed with the other; most blocks have
// neither, told by one test of them all.
template <class K> u64 quarter_stops(const typename K::Block& b) {
    const auto zero_if_stop = [](__m128i v) {
        return _mm_min_epu8(v, _mm_xor_si128(v, _mm_set1_epi8(0x1A)));
    };
    const auto q = [&b](unsigned i) { return K::quarter(b, i); };
    const __m128i fewest = _mm_min_epu8(_mm_min_epu8(zero_if_stop(q(0)), zero_if_stop(q(1))),
                                        _mm_min_epu8(zero_if_stop(q(2)), zero_if_stop(q(3))));
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(fewest, _mm_setzero_si128())) == 0)
        return 0;
    return quarter_bits<K>(
        b, [&](__m128i v) { return _mm_cmpeq_epi8(zero_if_stop(v), _mm_setzero_si128()); });
}

} // namespace
