// The NEON kernel, for 64-bit ARM: 16 bytes at a time. The bytes are
// classified by a lookup of each nibble, and the classes of a block turned
// into its masks all at once, by transposing bits; packing is a byte shuffle
// from a table, 16 bytes at a time.
#include <arm_neon.h>

#include <array>

#include "extract/kernel/make_kernel.h"
#include "extract/kernel/nibbles.h"
#include "extract/kernel/tables.h"

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__,
              "the NEON kernel takes byte i of a vector for bits 8i to 8i + 7 of a word");

namespace {

// The classes of a byte as the bits of a byte, looked up by its low nibble
// and by its high nibble (extract/kernel/nibbles.h). LF and ":" share a
// bit, as do NUL and CR. A byte of 0x40 or more has no class.
constexpr BitBytes bit_bytes = {"\n:", {"\0\r", 2}, "(", ")", "<", ">", " ", "\t\n\v\f\r"};

constexpr std::array<std::uint8_t, 16> by_low = nibble_table(bit_bytes, 0),
                                       by_high = nibble_table(bit_bytes, 4);

struct Neon {
    struct Block {
        uint8x16_t q[4];
    };

    static Block load(const char* p) {
        const auto* u = reinterpret_cast<const std::uint8_t*>(p);
        return {{vld1q_u8(u), vld1q_u8(u + 16), vld1q_u8(u + 32), vld1q_u8(u + 48)}};
    }

    static u64 low_word(uint8x16_t v) { return vgetq_lane_u64(vreinterpretq_u64_u8(v), 0); }
    static u64 high_word(uint8x16_t v) { return vgetq_lane_u64(vreinterpretq_u64_u8(v), 1); }

    // The mask of four vectors of 0x00 or 0xFF bytes: each byte keeps the
    // bit of its place in a group of eight, and pairwise additions sum each
    // group of eight into one byte.
    static u64 mask_of(const uint8x16_t (&m)[4]) {
        const uint8x16_t place = vreinterpretq_u8_u64(vdupq_n_u64(0x8040201008040201u));
        const auto placed = [&](unsigned i) { return vandq_u8(m[i], place); };
        const uint8x16_t halves =
            vpaddq_u8(vpaddq_u8(placed(0), placed(1)), vpaddq_u8(placed(2), placed(3)));
        return low_word(vpaddq_u8(halves, halves));
    }

    // The lookup gives 0 for an index of 16 or more: the low nibble is cut
    // out, the high one shifted down.
    static uint8x16_t nibble_classes(uint8x16_t v) {
        return vandq_u8(vqtbl1q_u8(vld1q_u8(by_low.data()), vandq_u8(v, vdupq_n_u8(0x0F))),
                        vqtbl1q_u8(vld1q_u8(by_high.data()), vshrq_n_u8(v, 4)));
    }

    // Trades one index of a bit for another: whether a or b holds it, and
    // whether its place in its byte is in keep or s places above. After it,
    // a holds the places in keep of both, b's moved up by s; b the others of
    // both, a's moved down.
    template <int s> static void swap_index_bits(uint8x16_t& a, uint8x16_t& b, uint8x16_t keep) {
        const uint8x16_t a2 = vbslq_u8(keep, a, vshlq_n_u8(b, s));
        b = vbslq_u8(keep, vshrq_n_u8(a, s), b);
        a = a2;
    }

    // The eight class masks of a block from the class bytes of its four
    // quarters, as a transpose of a 64 by 8 matrix of bits. Byte p of the
    // block has its classes in bits 0 to 7 of lane p % 16 of vector p / 16,
    // and must end as bit p % 8 of byte p / 8 of each class's word. First
    // the quarters are dealt out four ways, so that vector j holds bytes
    // 4i + j, i = 0 to 15; bits 0 and 1 of j are swapped with bits 0 and 1
    // of the class, bit 0 of i with its bit 2; the words of each class are
    // then gathered into the halves of vectors.
    static void class_words(const uint8x16_t (&c)[4], u64 (&word)[8]) {
        const uint8x16_t even = vuzp1q_u8(c[0], c[1]), odd = vuzp2q_u8(c[0], c[1]);
        const uint8x16_t even2 = vuzp1q_u8(c[2], c[3]), odd2 = vuzp2q_u8(c[2], c[3]);
        uint8x16_t d[4] = {vuzp1q_u8(even, even2), vuzp1q_u8(odd, odd2), vuzp2q_u8(even, even2),
                           vuzp2q_u8(odd, odd2)};
        swap_index_bits<1>(d[0], d[1], vdupq_n_u8(0x55));
        swap_index_bits<1>(d[2], d[3], vdupq_n_u8(0x55));
        swap_index_bits<2>(d[0], d[2], vdupq_n_u8(0x33));
        swap_index_bits<2>(d[1], d[3], vdupq_n_u8(0x33));
        // Now vector j holds the classes whose bits 0 and 1 are j.
        // Bit 0 of i into bit 2 of the place, with the classes of d[j] and
        // d[j + 1] in alternate lanes: low nibbles for classes 0 to 3, high
        // ones for 4 to 7.
        uint8x16_t e[4];
        for (unsigned j = 0; j < 4; j += 2) {
            const uint8x16_t lanes0 = vtrn1q_u8(d[j], d[j + 1]), lanes1 = vtrn2q_u8(d[j], d[j + 1]);
            e[j] = vsliq_n_u8(lanes0, lanes1, 4);
            e[j + 1] = vsriq_n_u8(lanes1, lanes0, 4);
        }
        // Each class's eight bytes, in the low or the high half.
        for (unsigned upper = 0; upper < 2; ++upper) {
            const uint8x16_t classes0 = vuzp1q_u8(e[upper], e[upper + 2]);
            const uint8x16_t classes1 = vuzp2q_u8(e[upper], e[upper + 2]);
            word[4 * upper] = low_word(classes0);
            word[4 * upper + 1] = low_word(classes1);
            word[4 * upper + 2] = high_word(classes0);
            word[4 * upper + 3] = high_word(classes1);
        }
    }

    static Classes classify(const Block& b) {
        uint8x16_t c[4];
        for (unsigned i = 0; i < 4; ++i)
            c[i] = nibble_classes(b.q[i]);
        u64 word[8];
        class_words(c, word);
        const auto any = [&word](auto bits) {
            u64 m = 0;
            for (unsigned bit = 0; bit < 8; ++bit)
                if (decltype(bits)::value >> bit & 1)
                    m |= word[bit];
            return m;
        };
        return classes_by_bits<bit_bytes>(any, [&b](char byte) { return equal(b, byte); });
    }

    static u64 equal(const Block& b, char c) {
        uint8x16_t m[4];
        for (unsigned i = 0; i < 4; ++i)
            m[i] = vceqq_u8(b.q[i], vdupq_n_u8(static_cast<std::uint8_t>(c)));
        return mask_of(m);
    }

    // A NUL or a Ctrl-Z is 0 once XORed with the other; most blocks have
    // neither, told by one test of them all.
    static u64 stops(const Block& b) {
        uint8x16_t z[4];
        for (unsigned i = 0; i < 4; ++i)
            z[i] = vminq_u8(b.q[i], veorq_u8(b.q[i], vdupq_n_u8(0x1A)));
        if (vminvq_u8(vminq_u8(vminq_u8(z[0], z[1]), vminq_u8(z[2], z[3]))) != 0)
            return 0;
        for (uint8x16_t& v : z)
            v = vceqzq_u8(v);
        return mask_of(z);
    }

    // A blend: 0xFF in each byte whose bit of mask is set, from the byte of
    // mask that holds its bit, tested for that bit.
    static Block set_bytes(const Block& b, u64 mask, char c) {
        const uint8x16_t all = vreinterpretq_u8_u64(vdupq_n_u64(mask));
        const uint8x16_t place = vreinterpretq_u8_u64(vdupq_n_u64(0x8040201008040201u));
        const uint8x16_t to = vdupq_n_u8(static_cast<std::uint8_t>(c));
        // Bytes 0 and 1 of the mask, eight times each, for the first quarter.
        const uint8x16_t first = vcombine_u8(vdup_n_u8(0), vdup_n_u8(1));
        Block r;
        for (unsigned i = 0; i < 4; ++i) {
            const uint8x16_t at = vaddq_u8(first, vdupq_n_u8(static_cast<std::uint8_t>(2 * i)));
            r.q[i] = vbslq_u8(vtstq_u8(vqtbl1q_u8(all, at), place), to, b.q[i]);
        }
        return r;
    }

    static Block widen(const Block& b, unsigned half) {
        const uint8x16_t lf = vdupq_n_u8('\n');
        const uint8x16_t x = b.q[2 * half], y = b.q[2 * half + 1];
        return {{vzip1q_u8(x, lf), vzip2q_u8(x, lf), vzip1q_u8(y, lf), vzip2q_u8(y, lf)}};
    }

    // Each half of 16 bytes is shuffled so that its selected bytes come
    // first in it; the two halves are then stored one after the other.
    static char* pack16(uint8x16_t v, unsigned m16, char* o) {
        const unsigned lo = m16 & 0xFF, hi = m16 >> 8;
        const uint8x8_t at_lo = vld1_u8(pack_positions[lo].data());
        const uint8x8_t at_hi = vadd_u8(vld1_u8(pack_positions[hi].data()), vdup_n_u8(8));
        const uint8x16_t packed = vqtbl1q_u8(v, vcombine_u8(at_lo, at_hi));
        vst1_u8(reinterpret_cast<std::uint8_t*>(o), vget_low_u8(packed));
        o += pack_counts[lo];
        vst1_u8(reinterpret_cast<std::uint8_t*>(o), vget_high_u8(packed));
        return o + pack_counts[hi];
    }

    static char* pack(const Block& b, u64 mask, char* o) {
        for (unsigned i = 0; i < 4; ++i)
            o = pack16(b.q[i], static_cast<unsigned>(mask >> 16 * i) & 0xFFFF, o);
        return o;
    }
};

} // namespace

extern const Kernel neon_kernel = kernel_of<Neon>("neon");
extern const LineSearches neon_line_searches = line_searches_of<Neon>();
