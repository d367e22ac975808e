// The AVX2 kernel: 32 bytes at a time, packed eight bytes at a time with a
// byte shuffle from a table.
#include <immintrin.h>

#include <array>
#include <cstdint>

#include "extract/kernel/make_kernel.h"
#include "extract/kernel/nibbles.h"
#include "extract/kernel/shuffle.h"

namespace {

struct Avx2 {
    struct Block {
        __m256i lo, hi;
    };

    static Block load(const char* p) {
        return {_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)),
                _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32))};
    }

    static u64 join(__m256i lo, __m256i hi) {
        return u64{static_cast<std::uint32_t>(_mm256_movemask_epi8(hi))} << 32 |
               static_cast<std::uint32_t>(_mm256_movemask_epi8(lo));
    }

    template <typename Match> static u64 bits(const Block& b, Match match) {
        return join(match(b.lo), match(b.hi));
    }

    static u64 equal(const Block& b, char c) {
        return bits(b, [c](__m256i v) { return _mm256_cmpeq_epi8(v, _mm256_set1_epi8(c)); });
    }

    // The classes of 32 bytes as the bits of a byte, looked up by the low
    // nibble and by the high nibble of each (extract/kernel/nibbles.h). LF
    // and ":" share a bit, their low nibbles being the same. A byte of 0x80
    // or more looks up nothing in the low table; NUL has no bit.
    static constexpr BitBytes bit_bytes = {"\n:", "\r", "(", ")", "<", ">", " ", "\t\n\v\f\r"};

    static __m256i nibble_classes(__m256i v) {
        static constexpr std::array<std::uint8_t, 16> by_low = nibble_table(bit_bytes, 0),
                                                      by_high = nibble_table(bit_bytes, 4);
        const auto table = [](const std::array<std::uint8_t, 16>& t) {
            return _mm256_broadcastsi128_si256(
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(t.data())));
        };
        const __m256i high = _mm256_and_si256(_mm256_srli_epi16(v, 4), _mm256_set1_epi8(0x0F));
        return _mm256_and_si256(_mm256_shuffle_epi8(table(by_low), v),
                                _mm256_shuffle_epi8(table(by_high), high));
    }

    static Classes classify(const Block& b) {
        const __m256i lo = nibble_classes(b.lo), hi = nibble_classes(b.hi);
        const auto any = [&](auto bits) {
            constexpr unsigned these = decltype(bits)::value;
            if constexpr ((these & (these - 1)) == 0) { // one bit: moved to the top
                constexpr int up = 7 - __builtin_ctz(these);
                return join(_mm256_slli_epi16(lo, up), _mm256_slli_epi16(hi, up));
            } else {
                const __m256i m = _mm256_set1_epi8(static_cast<char>(these));
                const auto none = [&m](__m256i r) {
                    return _mm256_cmpeq_epi8(_mm256_and_si256(r, m), _mm256_setzero_si256());
                };
                return ~join(none(lo), none(hi));
            }
        };
        return classes_by_bits<bit_bytes>(any, [&b](char c) { return equal(b, c); });
    }

    // A NUL or a Ctrl-Z is 0 once XORed with the other; most blocks have
    // neither, told by one test of both halves.
    static u64 stops(const Block& b) {
        const auto zero_if_stop = [](__m256i v) {
            return _mm256_min_epu8(v, _mm256_xor_si256(v, _mm256_set1_epi8(0x1A)));
        };
        const __m256i fewest = _mm256_min_epu8(zero_if_stop(b.lo), zero_if_stop(b.hi));
        if (_mm256_movemask_epi8(_mm256_cmpeq_epi8(fewest, _mm256_setzero_si256())) == 0)
            return 0;
        return bits(b, [&](__m256i v) {
            return _mm256_cmpeq_epi8(zero_if_stop(v), _mm256_setzero_si256());
        });
    }

    // 0xFF in each byte whose bit of mask is set: the byte of mask that
    // holds its bit copied to it, then tested for that bit.
    static Block bytes_of_mask(u64 mask) {
        const __m256i all = _mm256_set1_epi64x(static_cast<long long>(mask));
        const __m256i bit = _mm256_set1_epi64x(static_cast<long long>(0x8040201008040201u));
        const auto lane_pair = [&](long long first) {
            const long long ones = 0x0101010101010101;
            const __m256i from =
                _mm256_setr_epi64x(first, first + ones, first + 2 * ones, first + 3 * ones);
            return _mm256_cmpeq_epi8(_mm256_and_si256(_mm256_shuffle_epi8(all, from), bit), bit);
        };
        return {lane_pair(0), lane_pair(0x0404040404040404)};
    }

    static Block set_bytes(const Block& b, u64 mask, char c) {
        const __m256i to = _mm256_set1_epi8(c);
        const Block m = bytes_of_mask(mask);
        return {_mm256_blendv_epi8(b.lo, to, m.lo), _mm256_blendv_epi8(b.hi, to, m.hi)};
    }

    static Block widen(const Block& b, unsigned half) {
        // Quarters 0, 2, 1, 3: the in-lane unpacking then keeps byte order.
        const __m256i v = _mm256_permute4x64_epi64(half ? b.hi : b.lo, 0xD8);
        const __m256i lf = _mm256_set1_epi8('\n');
        return {_mm256_unpacklo_epi8(v, lf), _mm256_unpackhi_epi8(v, lf)};
    }

    static char* pack(const Block& b, u64 mask, char* o) {
        o = pack16(_mm256_castsi256_si128(b.lo), static_cast<unsigned>(mask) & 0xFFFF, o);
        o = pack16(_mm256_extracti128_si256(b.lo, 1), static_cast<unsigned>(mask >> 16) & 0xFFFF,
                   o);
        o = pack16(_mm256_castsi256_si128(b.hi), static_cast<unsigned>(mask >> 32) & 0xFFFF, o);
        return pack16(_mm256_extracti128_si256(b.hi, 1), static_cast<unsigned>(mask >> 48), o);
    }
};

} // namespace

extern const Kernel avx2_kernel = kernel_of<Avx2>("avx2");
extern const LineSearches avx2_line_searches = line_searches_of<Avx2>();
