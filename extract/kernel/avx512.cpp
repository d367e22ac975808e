// The AVX-512 kernel (BW and VBMI2): a whole block in one register, packed
// by vpcompressb. The packed bytes are compressed into a register and stored
// from there: a compress with a memory destination is far slower on some
// CPUs (AMD Zen 4).
#ifndef __clang__
// GCC 12 takes the undefined upper lanes that some of these intrinsics leave
// on purpose for uninitialised data.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>
#ifndef __clang__
#pragma GCC diagnostic pop
#endif

#include "extract/kernel/make_kernel.h"
#include "extract/whitespace.h"

namespace {

struct Avx512 {
    struct Block {
        __m512i v;
    };

    static Block load(const char* p) { return {_mm512_loadu_si512(p)}; }

    static u64 equal(const Block& b, char c) {
        return _mm512_cmpeq_epi8_mask(b.v, _mm512_set1_epi8(c));
    }

    static Classes classify(const Block& b) {
        // Tab to CR are 9 to 13: less 9, at most 4 counted without sign.
        const u64 space =
            _mm512_cmple_epu8_mask(_mm512_sub_epi8(b.v, _mm512_set1_epi8(first_control_space)),
                                   _mm512_set1_epi8(last_control_space - first_control_space)) |
            equal(b, ' ');
        return classes_by([&b](char c) { return equal(b, c); }, space);
    }

    static u64 stops(const Block& b) { return equal(b, '\0') | equal(b, 0x1A); }

    static Block set_bytes(const Block& b, u64 mask, char c) {
        return {_mm512_mask_mov_epi8(b.v, mask, _mm512_set1_epi8(c))};
    }

    static Block widen(const Block& b, unsigned half) {
        const __m256i bytes =
            half ? _mm512_extracti64x4_epi64(b.v, 1) : _mm512_castsi512_si256(b.v);
        return {_mm512_or_si512(_mm512_cvtepu8_epi16(bytes), _mm512_set1_epi16(0x0A00))};
    }

    static char* pack(const Block& b, u64 mask, char* o) {
        _mm512_storeu_si512(o, _mm512_maskz_compress_epi8(mask, b.v));
        return o + count(mask);
    }
};

} // namespace

extern const Kernel avx512_kernel = kernel_of<Avx512>("avx512");
extern const LineSearches avx512_line_searches = line_searches_of<Avx512>();
