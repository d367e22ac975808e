// The SSE2 kernel: 16 bytes at a time. SSE2 has no byte shuffle, so a block
// is kept as bytes in memory and packed eight bytes at a time, each run of
// selected bytes brought down by a 64-bit shift.
#include <emmintrin.h>

#include <array>
#include <cstring>

#include "extract/algorithm.h"
#include "extract/kernel/tables.h"

namespace {

struct Sse2 {
    struct Block {
        alignas(16) unsigned char bytes[block_size];
    };

    static __m128i quarter(const Block& b, unsigned i) {
        return _mm_load_si128(reinterpret_cast<const __m128i*>(b.bytes + 16 * i));
    }

    static Block load(const char* p) {
        Block b;
        std::memcpy(b.bytes, p, block_size);
        return b;
    }

    template <typename Match> static u64 bits(const Block& b, Match match) {
        const auto mask = [&](unsigned i) {
            return static_cast<unsigned>(_mm_movemask_epi8(match(quarter(b, i))));
        };
        return u64{mask(3) << 16 | mask(2)} << 32 | (mask(1) << 16 | mask(0));
    }

    static u64 equal(const Block& b, char c) {
        return bits(b, [c](__m128i v) { return _mm_cmpeq_epi8(v, _mm_set1_epi8(c)); });
    }

    static Classes classify(const Block& b) {
        Classes c;
        c.lf = equal(b, '\n');
        c.cr = equal(b, '\r');
        c.nul = equal(b, '\0');
        // Tab to CR are 9 to 13: moved up by 0x80 - 9, they are the only
        // bytes below -123 counted with sign.
        c.space = bits(b, [](__m128i v) {
            const __m128i moved = _mm_add_epi8(v, _mm_set1_epi8(0x80 - '\t'));
            return _mm_or_si128(_mm_cmplt_epi8(moved, _mm_set1_epi8(-128 + 5)),
                                _mm_cmpeq_epi8(v, _mm_set1_epi8(' ')));
        });
        c.open_paren = equal(b, '(');
        c.close_paren = equal(b, ')');
        c.open_angle = equal(b, '<');
        c.close_angle = equal(b, '>');
        c.colon = equal(b, ':');
        return c;
    }

    // A NUL or a Ctrl-Z is 0 once XORed with the other; most blocks have
    // neither, told by one test of them all.
    static u64 stops(const Block& b) {
        const auto zero_if_stop = [](__m128i v) {
            return _mm_min_epu8(v, _mm_xor_si128(v, _mm_set1_epi8(0x1A)));
        };
        const __m128i fewest =
            _mm_min_epu8(_mm_min_epu8(zero_if_stop(quarter(b, 0)), zero_if_stop(quarter(b, 1))),
                         _mm_min_epu8(zero_if_stop(quarter(b, 2)), zero_if_stop(quarter(b, 3))));
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(fewest, _mm_setzero_si128())) == 0)
            return 0;
        return bits(
            b, [&](__m128i v) { return _mm_cmpeq_epi8(zero_if_stop(v), _mm_setzero_si128()); });
    }

    // 0xFF in each byte whose bit of the 16 is set.
    static __m128i byte_mask(unsigned m16) {
        const __m128i low =
            _mm_loadl_epi64(reinterpret_cast<const __m128i*>(&byte_masks[m16 & 0xFF]));
        return _mm_castps_si128(_mm_loadh_pi(
            _mm_castsi128_ps(low), reinterpret_cast<const __m64*>(&byte_masks[m16 >> 8])));
    }

    // A blend, with no branch on how many bytes change.
    static Block set_bytes(const Block& b, u64 mask, char c) {
        Block set;
        const __m128i to = _mm_set1_epi8(c);
        for (unsigned i = 0; i < 4; ++i) {
            const __m128i v = quarter(b, i);
            const __m128i m = byte_mask(static_cast<unsigned>(mask >> 16 * i) & 0xFFFF);
            _mm_store_si128(reinterpret_cast<__m128i*>(set.bytes + 16 * i),
                            _mm_xor_si128(v, _mm_and_si128(_mm_xor_si128(v, to), m)));
        }
        return set;
    }

    static Block widen(const Block& b, unsigned half) {
        const __m128i lf = _mm_set1_epi8('\n');
        Block w;
        for (unsigned i = 0; i < 2; ++i) {
            const __m128i v = quarter(b, 2 * half + i);
            _mm_store_si128(reinterpret_cast<__m128i*>(w.bytes + 32 * i), _mm_unpacklo_epi8(v, lf));
            _mm_store_si128(reinterpret_cast<__m128i*>(w.bytes + 32 * i + 16),
                            _mm_unpackhi_epi8(v, lf));
        }
        return w;
    }

    // Whether the eight bytes of some group have two runs of selected bytes
    // or more: the first selected byte after an unselected one, twice in a
    // group, where each byte's lowest such bit is cleared.
    static bool scattered(u64 mask) {
        constexpr u64 lows = 0x0101010101010101u, highs = 0x8080808080808080u;
        const u64 starts = mask & ~(mask << 1 & ~lows);
        return (starts & ((starts | highs) - lows)) != 0;
    }

    // Selected bytes of eight that are one run: shifted down to the first
    // of them, all eight are stored.
    [[gnu::always_inline]] static char* pack_run(const unsigned char* from, unsigned m, char* o) {
        const __m128i eight = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(from));
        const __m128i shift = _mm_cvtsi32_si128(static_cast<int>(pack_run_shifts[m]));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(o), _mm_srl_epi64(eight, shift));
        return o + pack_counts[m];
    }

    [[gnu::always_inline]] static char* pack_bytes(const unsigned char* from, unsigned m, char* o) {
        const std::array<unsigned char, 8>& at = pack_positions[m];
        for (std::size_t i = 0; i < 8; ++i)
            o[i] = static_cast<char>(from[at[i]]);
        return o + pack_counts[m];
    }

    static char* pack(const Block& b, u64 mask, char* o) {
        if (scattered(mask)) {
            for (unsigned group = 0; group < block_size / 8; ++group) {
                const unsigned m = static_cast<unsigned>(mask >> 8 * group) & 0xFF;
                const unsigned char* from = b.bytes + 8 * group;
                o = pack_run_shifts[m] == scattered_run ? pack_bytes(from, m, o)
                                                        : pack_run(from, m, o);
            }
            return o;
        }
#pragma GCC unroll 8
        for (unsigned group = 0; group < block_size / 8; ++group)
            o = pack_run(b.bytes + 8 * group, static_cast<unsigned>(mask >> 8 * group) & 0xFF, o);
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
