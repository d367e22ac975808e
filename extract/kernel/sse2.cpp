// The SSE2 kernel: 16 bytes at a time. SSE2 has no byte shuffle, so a block
// is kept as bytes in memory and packed eight bytes at a time, each run of
// selected bytes brought down by a 64-bit shift, or, where the runs are
// many, every selected byte in three steps of such shifts.
#include <emmintrin.h>

#include <cstring>

#include "extract/kernel/make_kernel.h"
#include "extract/kernel/quarters.h"
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

    static u64 equal(const Block& b, char c) { return equal_quarters<Sse2>(b, c); }

    [[gnu::always_inline]] static Classes classify(const Block& b) {
        return classify_quarters<Sse2>(b);
    }

    static u64 stops(const Block& b) { return quarter_stops<Sse2>(b); }

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

    // One half of a quarter stored at o, which may have any alignment (so
    // not by _mm_storeh_pd, a store of a double in GCC's header).
    static void store_half(char* o, __m128i v, unsigned half) {
        _mm_storel_epi64(reinterpret_cast<__m128i*>(o), half == 0 ? v : _mm_unpackhi_epi64(v, v));
    }

    static __m128i shifted(__m128i v, unsigned bits) {
        return _mm_srl_epi64(v, _mm_cvtsi32_si128(static_cast<int>(bits)));
    }

    // The selected bytes of eight, half of a quarter, in one run: shifted down
    // to the first of them, all eight are stored.
    [[gnu::always_inline]] static char* pack_one_run(__m128i quarter, unsigned half, unsigned m,
                                                     char* o) {
        store_half(o, shifted(quarter, pack_runs[m].first), half);
        return o + pack_counts[m];
    }

    // Two runs: two stores, the second just past the first run.
    [[gnu::always_inline]] static char* pack_two_runs(__m128i quarter, unsigned half, unsigned m,
                                                      char* o) {
        const PackRuns& runs = pack_runs[m];
        store_half(o, shifted(quarter, runs.first), half);
        store_half(o + runs.length, shifted(quarter, runs.second), half);
        return o + pack_counts[m];
    }

    // Any selected bytes of a quarter, in its two groups of eight at once
    // (tables.h): the bytes not selected cleared, then three steps down.
    [[gnu::always_inline]] static char* pack_any(__m128i quarter, unsigned m16, char* o) {
        const unsigned lo = m16 & 0xFF, hi = m16 >> 8;
        const auto moving = [lo, hi](unsigned step) {
            return _mm_castps_si128(
                _mm_loadh_pi(_mm_castsi128_ps(_mm_loadl_epi64(
                                 reinterpret_cast<const __m128i*>(&compress_steps[step][lo]))),
                             reinterpret_cast<const __m64*>(&compress_steps[step][hi])));
        };
        __m128i v = _mm_and_si128(quarter, byte_mask(m16));
        __m128i t = _mm_and_si128(v, moving(0));
        v = _mm_or_si128(_mm_xor_si128(v, t), _mm_srli_epi64(t, 8));
        t = _mm_and_si128(v, moving(1));
        v = _mm_or_si128(_mm_xor_si128(v, t), _mm_srli_epi64(t, 16));
        t = _mm_and_si128(v, moving(2));
        v = _mm_or_si128(_mm_xor_si128(v, t), _mm_srli_epi64(t, 32));
        store_half(o, v, 0);
        o += pack_counts[lo];
        store_half(o, v, 1);
        return o + pack_counts[hi];
    }

    // Groups of eight mostly hold one run. A block where some hold two packs
    // every group as two; one where some hold more packs every one in steps.
    static char* pack(const Block& b, u64 mask, char* o) {
        const auto group = [mask](unsigned g) {
            return static_cast<unsigned>(mask >> 8 * g) & 0xFF;
        };
        const u64 second_runs = less_lowest_bit<8>(run_starts<8>(mask));
        if (!second_runs) {
            for (unsigned i = 0; i < 4; ++i) {
                const __m128i q = quarter(b, i);
                o = pack_one_run(q, 0, group(2 * i), o);
                o = pack_one_run(q, 1, group(2 * i + 1), o);
            }
        } else if (!less_lowest_bit<8>(second_runs)) {
            for (unsigned i = 0; i < 4; ++i) {
                const __m128i q = quarter(b, i);
                o = pack_two_runs(q, 0, group(2 * i), o);
                o = pack_two_runs(q, 1, group(2 * i + 1), o);
            }
        } else {
            o = pack_many_runs(b, mask, o);
        }
        return o;
    }

    // Kept out of the printing loop, whose registers it would take.
    [[gnu::noinline]] static char* pack_many_runs(const Block& b, u64 mask, char* o) {
        for (unsigned i = 0; i < 4; ++i)
            o = pack_any(quarter(b, i), static_cast<unsigned>(mask >> 16 * i) & 0xFFFF, o);
        return o;
    }
};

} // namespace

extern const Kernel sse2_kernel = kernel_of<Sse2>("sse2");
extern const LineSearches sse2_line_searches = line_searches_of<Sse2>();
