// The SSSE3 kernel: 16 bytes at a time, with the byte shuffle that SSE2
// lacks: bytes are classified by a lookup of each nibble and packed by a
// shuffle from a table, as in the AVX2 kernel. For the CPUs that have SSSE3
// but not AVX2 (Core 2 to Ivy Bridge, Atom, Celeron, Pentium Silver); it
// needs nothing later, POPCNT included.
#include <tmmintrin.h>

#include "extract/algorithm.h"
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

    static unsigned mask16(__m128i v) { return static_cast<unsigned>(_mm_movemask_epi8(v)); }

    // The mask of a block from those of its quarters.
    static u64 join(const unsigned (&m)[4]) {
        return u64{m[3] << 16 | m[2]} << 32 | (m[1] << 16 | m[0]);
    }

    // The mask of the bytes whose match has its top bit set.
    template <typename Match> static u64 bits(const Block& b, Match match) {
        const unsigned m[4] = {mask16(match(b.q[0])), mask16(match(b.q[1])), mask16(match(b.q[2])),
                               mask16(match(b.q[3]))};
        return join(m);
    }

    static __m128i table(const std::array<char, 16>& t) {
        return _mm_load_si128(reinterpret_cast<const __m128i*>(t.data()));
    }

    static __m128i nibble_classes(__m128i v) {
        const __m128i high = _mm_and_si128(_mm_srli_epi16(v, 4), _mm_set1_epi8(0x0F));
        return _mm_and_si128(_mm_shuffle_epi8(table(nibble_tables.by_low), v),
                             _mm_shuffle_epi8(table(nibble_tables.by_high), high));
    }

    // A movemask reads the top bit of each byte: adding the lookups to
    // themselves brings each lower bit up in turn.
    static Classes classify(const Block& b) {
        Block up;
        unsigned m[4];
        for (unsigned i = 0; i < 4; ++i) {
            const __m128i r = nibble_classes(b.q[i]);
            up.q[i] = _mm_add_epi8(r, r);
            m[i] = mask16(_mm_or_si128(r, up.q[i]));
        }
        Classes c;
        c.space = join(m);
        for (unsigned n = space_bit; n-- > 0;) {
            for (unsigned i = 0; i < 4; ++i) {
                up.q[i] = _mm_add_epi8(up.q[i], up.q[i]);
                m[i] = mask16(up.q[i]);
            }
            c.*class_of_bit[n] = join(m);
        }
        c.nul = bits(b, [](__m128i v) { return _mm_cmpeq_epi8(v, _mm_setzero_si128()); });
        part_lf_and_colon(c);
        return c;
    }

    // A NUL or a Ctrl-Z is 0 once XORed with the other; most blocks have
    // neither, told by one test of them all.
    static u64 stops(const Block& b) {
        const auto zero_if_stop = [](__m128i v) {
            return _mm_min_epu8(v, _mm_xor_si128(v, _mm_set1_epi8(0x1A)));
        };
        const __m128i fewest =
            _mm_min_epu8(_mm_min_epu8(zero_if_stop(b.q[0]), zero_if_stop(b.q[1])),
                         _mm_min_epu8(zero_if_stop(b.q[2]), zero_if_stop(b.q[3])));
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(fewest, _mm_setzero_si128())) == 0)
            return 0;
        return bits(
            b, [&](__m128i v) { return _mm_cmpeq_epi8(zero_if_stop(v), _mm_setzero_si128()); });
    }

    // 0xFF in each byte whose bit of mask is set: the byte of mask that
    // holds its bit copied to it, then tested for that bit. A blend of three
    // operations; SSE4.1's blend in one does not pay for leaving out the
    // CPUs without it.
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

bool supported() {
    return __builtin_cpu_supports("ssse3");
}

} // namespace

extern const Kernel ssse3_kernel = kernel_of<Ssse3>("ssse3", supported);
