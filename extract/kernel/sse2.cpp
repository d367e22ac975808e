// The SSE2 kernel: 16 bytes at a time. SSE2 has no byte shuffle, so packing
// goes through a table of byte positions, eight bytes at a time.
#include <emmintrin.h>

#include <array>
#include <cstring>

#include "extract/algorithm.h"
#include "extract/kernel/tables.h"

namespace {

struct Sse2 {
    struct Block {
        __m128i v[4];
    };

    static Block load(const char* p) {
        Block b;
        for (int i = 0; i < 4; ++i)
            b.v[i] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
        return b;
    }

    template <typename Match> static u64 bits(const Block& b, Match match) {
        u64 m = 0;
        for (int i = 0; i < 4; ++i)
            m |= u64{static_cast<std::uint16_t>(_mm_movemask_epi8(match(b.v[i])))} << 16 * i;
        return m;
    }

    static u64 equal(const Block& b, char c) {
        return bits(b, [c](__m128i v) { return _mm_cmpeq_epi8(v, _mm_set1_epi8(c)); });
    }

    static Classes classify(const Block& b) {
        Classes c;
        c.lf = equal(b, '\n');
        c.cr = equal(b, '\r');
        c.nul = equal(b, '\0');
        // Tab to CR are 9 to 13: less 9, at most 4 counted without sign.
        c.space = bits(b, [](__m128i v) {
            const __m128i from_tab = _mm_sub_epi8(v, _mm_set1_epi8('\t'));
            const __m128i tab_to_cr =
                _mm_cmpeq_epi8(_mm_min_epu8(from_tab, _mm_set1_epi8(4)), from_tab);
            return _mm_or_si128(tab_to_cr, _mm_cmpeq_epi8(v, _mm_set1_epi8(' ')));
        });
        c.open_paren = equal(b, '(');
        c.close_paren = equal(b, ')');
        c.open_angle = equal(b, '<');
        c.close_angle = equal(b, '>');
        c.colon = equal(b, ':');
        return c;
    }

    static u64 stops(const Block& b) {
        return bits(b, [](__m128i v) {
            return _mm_or_si128(_mm_cmpeq_epi8(v, _mm_setzero_si128()),
                                _mm_cmpeq_epi8(v, _mm_set1_epi8(0x1A)));
        });
    }

    // 0xFF in each byte whose bit of the 16 is set.
    static __m128i byte_mask(unsigned m16) {
        __m128i x = _mm_cvtsi32_si128(static_cast<int>(m16));
        x = _mm_unpacklo_epi8(x, x);
        x = _mm_unpacklo_epi16(x, x);
        x = _mm_unpacklo_epi32(x, x); // bytes 0-7 hold the low half, 8-15 the high half
        const __m128i bit = _mm_set1_epi64x(static_cast<long long>(0x8040201008040201u));
        return _mm_cmpeq_epi8(_mm_and_si128(x, bit), bit);
    }

    static Block set_bytes(Block b, u64 mask, char c) {
        for (int i = 0; i < 4; ++i) {
            const __m128i m = byte_mask(static_cast<unsigned>(mask >> 16 * i) & 0xFFFF);
            b.v[i] = _mm_or_si128(_mm_andnot_si128(m, b.v[i]), _mm_and_si128(m, _mm_set1_epi8(c)));
        }
        return b;
    }

    static Block widen(const Block& b, unsigned half) {
        const __m128i lf = _mm_set1_epi8('\n');
        const __m128i lo = b.v[2 * half], hi = b.v[2 * half + 1];
        return {{_mm_unpacklo_epi8(lo, lf), _mm_unpackhi_epi8(lo, lf), _mm_unpacklo_epi8(hi, lf),
                 _mm_unpackhi_epi8(hi, lf)}};
    }

    static char* pack(const Block& b, u64 mask, char* o) {
        alignas(16) unsigned char bytes[block_size];
        for (int i = 0; i < 4; ++i)
            _mm_store_si128(reinterpret_cast<__m128i*>(bytes + 16 * i), b.v[i]);
        for (unsigned group = 0; group < block_size / 8; ++group, mask >>= 8) {
            const auto m = static_cast<unsigned>(mask & 0xFF);
            const unsigned char* from = bytes + 8 * group;
            if (m == 0xFF) {
                std::memcpy(o, from, 8);
            } else {
                const std::array<unsigned char, 8>& at = pack_positions[m];
                for (std::size_t i = 0; i < 8; ++i)
                    o[i] = static_cast<char>(from[at[i]]);
            }
            o += pack_counts[m];
        }
        return o;
    }
};

bool supported() {
    return __builtin_cpu_supports("sse2");
}

Classes classify_bytes(const char* p) {
    return Sse2::classify(Sse2::load(p));
}

} // namespace

extern const Kernel sse2_kernel = {
    "sse2",
    supported,
    classify_bytes,
    print_fields<Sse2>,
    print_address<Sse2>,
    extract_value<Sse2>,
    find_stop<Sse2>,
    fields_end<Sse2>,
};
