// The SSSE3 kernel: 16 bytes at a time, classified as by the SSE2 kernel,
// with the byte shuffle that SSE2 lacks: the block stays in registers, and
// is packed by a shuffle from a table, as in the AVX2 kernel. For the CPUs
// that have SSSE3 but not AVX2 (Core 2 to Ivy Bridge, Atom, Celeron, Pentium
// Silver); it needs nothing later, POPCNT included.
#include <tmmintrin.h>

#include "extract/kernel/make_kernel.h"
#include "extract/kernel/quarters.h"
#include "extract/kernel/shuffle.h"

namespace {

struct Ssse3 {
    struct Block {
        __m128i q[4]; // the four quarters of 16 bytes
    };

    static Block load(const char* p) {
        Block b;
        for (unsigned i = 0; i < 4; ++i)
            b.q[i] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
        return b;
    }

    static __m128i quarter(const Block& b, unsigned i) { return b.q[i]; }

    static u64 equal(const Block& b, char c) { return equal_quarters<Ssse3>(b, c); }

    [[gnu::always_inline]] static Classes classify(const Block& b) {
        return classify_quarters<Ssse3>(b);
    }

    static u64 stops(const Block& b) { return quarter_stops<Ssse3>(b); }

    // 0xFF in each byte whose bit of mask is set: the byte of mask that
    // holds its bit copied to it, then tested for that bit. The blend takes
    // three operations where SSE4.1 has one, too little to leave out the
    // CPUs without SSE4.1 (the first Core 2s and Atoms).
    static Block set_bytes(const Block& b, u64 mask, char c) {
        const __m128i all = _mm_set_epi64x(0, static_cast<long long>(mask));
        const __m128i bit = _mm_set1_epi64x(static_cast<long long>(0x8040201008040201u));
        const __m128i to = _mm_set1_epi8(c);
        Block set;
        for (unsigned i = 0; i < 4; ++i) {
            const auto from = static_cast<char>(2 * i);
            const __m128i bytes =
                _mm_shuffle_epi8(all, _mm_setr_epi8(from, from, from, from, from, from, from, from,
                                                    from + 1, from + 1, from + 1, from + 1,
                                                    from + 1, from + 1, from + 1, from + 1));
            const __m128i m = _mm_cmpeq_epi8(_mm_and_si128(bytes, bit), bit);
            set.q[i] = _mm_xor_si128(b.q[i], _mm_and_si128(_mm_xor_si128(b.q[i], to), m));
        }
        return set;
    }

    static Block widen(const Block& b, unsigned half) {
        const __m128i lf = _mm_set1_epi8('\n');
        Block w;
        for (unsigned i = 0; i < 2; ++i) {
            const __m128i v = b.q[2 * half + i];
            w.q[2 * i] = _mm_unpacklo_epi8(v, lf);
            w.q[2 * i + 1] = _mm_unpackhi_epi8(v, lf);
        }
        return w;
    }

    static char* pack(const Block& b, u64 mask, char* o) {
        for (unsigned i = 0; i < 4; ++i)
            o = pack16(b.q[i], static_cast<unsigned>(mask >> 16 * i) & 0xFFFF, o);
        return o;
    }
};

} // namespace

extern const Kernel ssse3_kernel = kernel_of<Ssse3>("ssse3");
extern const LineSearches ssse3_line_searches = line_searches_of<Ssse3>();
