// The AVX2 kernel: 32 bytes at a time, packed eight bytes at a time with a
// byte shuffle from a table.
#include <immintrin.h>

#include <cstring>

#include "extract/algorithm.h"
#include "extract/kernel/tables.h"

namespace {

struct Avx2 {
    struct Block {
        __m256i lo, hi;
    };

    static Block load(const char* p) {
        return {_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)),
                _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32))};
    }

    template <typename Match> static u64 bits(const Block& b, Match match) {
        const auto lo = static_cast<std::uint32_t>(_mm256_movemask_epi8(match(b.lo)));
        const auto hi = static_cast<std::uint32_t>(_mm256_movemask_epi8(match(b.hi)));
        return u64{hi} << 32 | lo;
    }

    static u64 equal(const Block& b, char c) {
        return bits(b, [c](__m256i v) { return _mm256_cmpeq_epi8(v, _mm256_set1_epi8(c)); });
    }

    static Classes classify(const Block& b) {
        Classes c;
        c.lf = equal(b, '\n');
        c.cr = equal(b, '\r');
        c.nul = equal(b, '\0');
        // Tab to CR are 9 to 13: less 9, at most 4 counted without sign.
        c.space = bits(b, [](__m256i v) {
            const __m256i from_tab = _mm256_sub_epi8(v, _mm256_set1_epi8('\t'));
            const __m256i tab_to_cr =
                _mm256_cmpeq_epi8(_mm256_min_epu8(from_tab, _mm256_set1_epi8(4)), from_tab);
            return _mm256_or_si256(tab_to_cr, _mm256_cmpeq_epi8(v, _mm256_set1_epi8(' ')));
        });
        c.open_paren = equal(b, '(');
        c.close_paren = equal(b, ')');
        c.open_angle = equal(b, '<');
        c.close_angle = equal(b, '>');
        c.colon = equal(b, ':');
        return c;
    }

    static u64 stops(const Block& b) {
        return bits(b, [](__m256i v) {
            return _mm256_or_si256(_mm256_cmpeq_epi8(v, _mm256_setzero_si256()),
                                   _mm256_cmpeq_epi8(v, _mm256_set1_epi8(0x1A)));
        });
    }

    // 0xFF in each byte whose bit of the 32 is set.
    static __m256i byte_mask(std::uint32_t m) {
        const __m256i spread_bytes = _mm256_shuffle_epi8(
            _mm256_set1_epi32(static_cast<int>(m)),
            _mm256_setr_epi64x(0, 0x0101010101010101, 0x0202020202020202, 0x0303030303030303));
        const __m256i bit = _mm256_set1_epi64x(static_cast<long long>(0x8040201008040201u));
        return _mm256_cmpeq_epi8(_mm256_and_si256(spread_bytes, bit), bit);
    }

    static Block set_bytes(const Block& b, u64 mask, char c) {
        const __m256i to = _mm256_set1_epi8(c);
        return {_mm256_blendv_epi8(b.lo, to, byte_mask(static_cast<std::uint32_t>(mask))),
                _mm256_blendv_epi8(b.hi, to, byte_mask(static_cast<std::uint32_t>(mask >> 32)))};
    }

    static Block widen(const Block& b, unsigned half) {
        // Quarters 0, 2, 1, 3: the in-lane unpacking then keeps byte order.
        const __m256i v = _mm256_permute4x64_epi64(half ? b.hi : b.lo, 0xD8);
        const __m256i lf = _mm256_set1_epi8('\n');
        return {_mm256_unpacklo_epi8(v, lf), _mm256_unpackhi_epi8(v, lf)};
    }

    // Each 16 bytes are shuffled so that each half's selected bytes come
    // first in it; the two halves are then stored one after the other.
    static char* pack16(__m128i v, unsigned m16, char* o) {
        const unsigned lo = m16 & 0xFF, hi = m16 >> 8;
        std::uint64_t at_lo, at_hi;
        std::memcpy(&at_lo, pack_positions[lo].data(), 8);
        std::memcpy(&at_hi, pack_positions[hi].data(), 8);
        const __m128i shuffle = _mm_set_epi64x(static_cast<long long>(at_hi + 0x0808080808080808u),
                                               static_cast<long long>(at_lo));
        const __m128i packed = _mm_shuffle_epi8(v, shuffle);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(o), packed);
        o += pack_counts[lo];
        _mm_storel_epi64(reinterpret_cast<__m128i*>(o), _mm_unpackhi_epi64(packed, packed));
        return o + pack_counts[hi];
    }

    static char* pack(const Block& b, u64 mask, char* o) {
        o = pack16(_mm256_castsi256_si128(b.lo), static_cast<unsigned>(mask) & 0xFFFF, o);
        o = pack16(_mm256_extracti128_si256(b.lo, 1), static_cast<unsigned>(mask >> 16) & 0xFFFF,
                   o);
        o = pack16(_mm256_castsi256_si128(b.hi), static_cast<unsigned>(mask >> 32) & 0xFFFF, o);
        return pack16(_mm256_extracti128_si256(b.hi, 1), static_cast<unsigned>(mask >> 48), o);
    }
};

bool supported() {
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt") &&
           __builtin_cpu_supports("bmi");
}

Classes classify_bytes(const char* p) {
    return Avx2::classify(Avx2::load(p));
}

} // namespace

extern const Kernel avx2_kernel = {
    "avx2",
    supported,
    classify_bytes,
    print_fields<Avx2>,
    print_address<Avx2>,
    extract_value<Avx2>,
    find_stop<Avx2>,
    fields_end<Avx2>,
};
