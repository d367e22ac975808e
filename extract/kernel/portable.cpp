// The portable kernel, for any CPU: plain C++ on the bytes of a word at a
// time (SWAR), in words of the CPU's width (Word: eight bytes, or four on a
// 32-bit CPU). Bytes go into words little-endian whatever the CPU, byte i of
// a word in its bits 8i to 8i + 7, so that bit i of a mask is byte i of the
// block on big-endian CPUs too; the compilers make the byte swap part of the
// load or store there.
//
// To classify, the block is cut into its eight bit planes (bit j of plane k
// is bit k of byte j) by two transposes; a class is then an AND of planes.
// A byte is found by testing whole words for a zero byte, exactly, and the
// bytes found gathered into mask bits by a multiply; NUL and Ctrl-Z, the
// only bytes looked for through a whole read, by the C library's memchr.
// Selected bytes are packed a run at a time: each word shifted down to its
// run and stored whole; or, where the runs are many, in three steps of such
// shifts.
#include <array>
#include <cstring>

#include "extract/kernel/make_kernel.h"
#include "extract/kernel/tables.h"

namespace {

using W = Word;
constexpr unsigned word_bytes = sizeof(W);
constexpr unsigned word_bits = 8 * word_bytes;
constexpr unsigned words = block_size / word_bytes;

// Byte b in every byte of a word.
constexpr W repeated(unsigned char b) {
    return static_cast<W>(~W{0} / 0xFF * b);
}

// The bytes of a word at the places p with no bit of `half` set, all ones:
// the lower half of each pair of places half apart.
constexpr W lower_bytes(unsigned half) {
    W m = 0;
    for (unsigned p = 0; p < word_bytes; ++p)
        if (!(p & half))
            m |= static_cast<W>(W{0xFF} << 8 * p);
    return m;
}

// The bits of each byte at the places k with no bit of `half` set.
constexpr W lower_bits(unsigned half) {
    unsigned char m = 0;
    for (unsigned k = 0; k < 8; ++k)
        if (!(k & half))
            m = static_cast<unsigned char>(m | 1u << k);
    return repeated(m);
}

// Whether the CPU keeps a word's low byte first (a constant, to the compiler).
bool little_endian() {
    const W one = 1;
    unsigned char first;
    std::memcpy(&first, &one, 1);
    return first == 1;
}

// The bytes of w in the opposite order: pairs of bytes swapped, then pairs
// of those, and so on.
template <unsigned bits = 8> W swap_bytes(W w) {
    constexpr W low = ~W{0} / ((W{1} << bits) + 1); // the low half of each 2 * bits
    w = ((w >> bits) & low) | static_cast<W>((w & low) << bits);
    if constexpr (2 * bits < word_bits)
        return swap_bytes<2 * bits>(w);
    return w;
}

void store_word(char* o, W w) {
    if (!little_endian())
        w = swap_bytes(w);
    std::memcpy(o, &w, sizeof w);
}

// Moves the bits of a at mask << shift to b at mask, and those of b to a.
template <W mask, unsigned shift> [[gnu::always_inline]] inline void delta_swap(W& a, W& b) {
    const W t = ((a >> shift) ^ b) & mask;
    b ^= t;
    a ^= static_cast<W>(t << shift);
}

// Transposes word_bytes words of word_bytes bytes: byte j of word i goes to
// byte i of word j. Pairs of words half apart swap the bytes that are half
// apart, halving until they are neighbours.
template <unsigned half = word_bytes / 2>
[[gnu::always_inline]] inline void transpose_bytes(W* rows) {
    for (unsigned r = 0; r < word_bytes; ++r)
        if (!(r & half))
            delta_swap<lower_bytes(half), 8 * half>(rows[r], rows[r + half]);
    if constexpr (half > 1)
        transpose_bytes<half / 2>(rows);
}

// Swaps bit k of each byte of word r with bit r of the same byte of word k,
// for eight words.
template <unsigned half = 4> [[gnu::always_inline]] inline void transpose_bits(W* rows) {
    for (unsigned r = 0; r < 8; ++r)
        if (!(r & half))
            delta_swap<lower_bits(half), half>(rows[r], rows[r + half]);
    if constexpr (half > 1)
        transpose_bits<half / 2>(rows);
}

// The eight bit planes of word_bytes * 8 bytes: bit j of plane k is bit k of
// byte j.
using Planes = std::array<W, 8>;

// Each byte whose bits k and k + 1 are n: all ones.
[[gnu::always_inline]] inline W pair_is(const Planes& p, unsigned k, unsigned n) {
    const auto bit_is = [&p](unsigned i, unsigned v) { return v ? p[i] : static_cast<W>(~p[i]); };
    return bit_is(k + 1, n >> 1 & 1) & bit_is(k, n & 1);
}

// Each byte whose bits k to k + 3 are n: all ones. Made of pairs, which the
// classes share, so that the compiler computes each pair once.
[[gnu::always_inline]] inline W nibble_is(const Planes& p, unsigned k, unsigned n) {
    return pair_is(p, k + 2, n >> 2) & pair_is(p, k, n & 3);
}

[[gnu::always_inline]] inline W planes_equal(const Planes& p, unsigned char c) {
    return nibble_is(p, 4, c >> 4) & nibble_is(p, 0, c & 0xF);
}

// Tab to CR are 0x09 to 0x0D: low nibbles 1001 to 1011, and 1100 and 1101.
[[gnu::always_inline]] inline W whitespace(const Planes& p) {
    const W tab_to_cr = p[3] & ((~p[2] & (p[1] | p[0])) | (p[2] & ~p[1]));
    return planes_equal(p, ' ') | (nibble_is(p, 4, 0) & tab_to_cr);
}

// The high bit of each byte of w equal to c, exactly: its low seven bits
// plus 0x7F carry into the high bit unless they are zero, and never into the
// next byte.
W equal_bytes(W w, unsigned char c) {
    constexpr W low7 = repeated(0x7F);
    const W x = w ^ repeated(c);
    return static_cast<W>(~(((x & low7) + low7) | x)) & repeated(0x80);
}

// The high bit of byte i of w, which has no other bits set, as bit i of the
// result: one multiply adds up w shifted by 0, 7, 14... bits, which brings
// the high bit of byte i to bit 7 * word_bytes + i of the product, with no
// two terms on one bit.
unsigned high_bits(W w) {
    W gather = 0;
    for (unsigned i = 0; i < word_bytes; ++i)
        gather |= static_cast<W>(W{1} << 7 * i);
    return static_cast<unsigned>(static_cast<W>(w * gather) >> 7 * word_bytes);
}

// The low half of the bytes of w, each followed by an LF.
W interleave_lf(W w) {
    w &= ~W{0} >> word_bits / 2;
    for (unsigned s = word_bits / 4; s >= 8; s /= 2)
        w = (w | static_cast<W>(w << s)) & static_cast<W>(~W{0} / ((W{1} << s) + 1));
    return w | static_cast<W>(~W{0} / 0xFFFF * 0x0A00);
}

struct Portable {
    struct Block {
        W w[words];
    };

    // One copy of the whole block, so that copies of the block later are as
    // wide as the stores that made it.
    static Block load(const char* p) {
        Block b;
        std::memcpy(b.w, p, block_size);
        if (!little_endian())
            for (W& w : b.w)
                w = swap_bytes(w);
        return b;
    }

    // The planes of the 8 * word_bytes bytes from word 8 * part. The bytes
    // are first transposed so that byte i of word r is byte 8i + r: with
    // words of eight bytes, all eight words at once; with words of four, the
    // even words and the odd ones. Then the bits are, so that bit k of each
    // byte of word r swaps places with bit r of the byte in word k.
    [[gnu::always_inline]] static Planes planes(const Block& b, unsigned part) {
        Planes p;
        constexpr unsigned stride = 8 / word_bytes;
        for (unsigned h = 0; h < stride; ++h) {
            for (unsigned i = 0; i < word_bytes; ++i)
                p[word_bytes * h + i] = b.w[8 * part + stride * i + h];
            transpose_bytes(&p[word_bytes * h]);
        }
        transpose_bits(p.data());
        return p;
    }

    // Everything classify calls is inlined into it, and classify into its
    // callers: a call not inlined there costs more than all its arithmetic.
    [[gnu::always_inline]] static Classes classify(const Block& b) {
        // The classes of the 8 * word_bytes bytes from word 8 * part.
        const auto part_classes = [&b](unsigned part) __attribute__((always_inline)) {
            const Planes p = planes(b, part);
            return map_classes<u64>([&p](auto c) {
                constexpr std::string_view bytes = decltype(c)::bytes;
                if constexpr (bytes.size() == 1) {
                    return planes_equal(p, static_cast<unsigned char>(bytes[0]));
                } else {
                    static_assert(std::is_same_v<decltype(c), byte_class::space>,
                                  "a class of several bytes needs a test of its own");
                    return whitespace(p);
                }
            });
        };
        if constexpr (words == 8)
            return part_classes(0);
        else
            return map_classes<u64>([](auto, u64 lo, u64 hi) { return lo | hi << 32; },
                                    part_classes(0), part_classes(1));
    }

    static u64 equal(const Block& b, char c) {
        u64 m = 0;
        for (unsigned i = 0; i < words; ++i)
            m |= u64{high_bits(equal_bytes(b.w[i], static_cast<unsigned char>(c)))}
                 << word_bytes * i;
        return m;
    }

    static unsigned group(u64 mask, unsigned i) {
        return static_cast<unsigned>(mask >> word_bytes * i) & ((1u << word_bytes) - 1);
    }

    static Block set_bytes(Block b, u64 mask, char c) {
        const W to = repeated(static_cast<unsigned char>(c));
        for (unsigned i = 0; i < words; ++i)
            b.w[i] ^= (b.w[i] ^ to) & static_cast<W>(byte_masks[group(mask, i)]);
        return b;
    }

    static Block widen(const Block& b, unsigned half) {
        Block w;
        for (unsigned i = 0; i < words / 2; ++i) {
            const W from = b.w[words / 2 * half + i];
            w.w[2 * i] = interleave_lf(from);
            w.w[2 * i + 1] = interleave_lf(from >> word_bits / 2);
        }
        return w;
    }

    // A word's selected bytes in one run: shifted down to the first of
    // them, the whole word is stored.
    static char* pack_one_run(W w, unsigned m, char* o) {
        store_word(o, w >> pack_runs[m].first);
        return o + pack_counts[m];
    }

    // Two runs: two stores, the second just past the first run.
    static char* pack_two_runs(W w, unsigned m, char* o) {
        const PackRuns& runs = pack_runs[m];
        store_word(o, w >> runs.first);
        store_word(o + runs.length, w >> runs.second);
        return o + pack_counts[m];
    }

    // Any selected bytes of a word, in steps (tables.h): the bytes not
    // selected cleared, then each selected one moved down 1, 2 and 4 places
    // as the count of those not selected below it says.
    static char* pack_any(W w, unsigned m, char* o) {
        w &= static_cast<W>(byte_masks[m]);
        for (unsigned step = 0; 1u << step < word_bytes; ++step) {
            const W t = w & static_cast<W>(compress_steps[step][m]);
            w = (w ^ t) | t >> (8u << step);
        }
        store_word(o, w);
        return o + pack_counts[m];
    }

    // Words mostly hold one run of selected bytes. A block where some hold
    // two packs every word as two; one where some hold more packs every word
    // in steps. (Words of four bytes never hold more than two.)
    static char* pack(const Block& b, u64 mask, char* o) {
        const u64 second_runs = less_lowest_bit<word_bytes>(run_starts<word_bytes>(mask));
        if (!second_runs) {
            for (unsigned i = 0; i < words; ++i)
                o = pack_one_run(b.w[i], group(mask, i), o);
        } else if (!less_lowest_bit<word_bytes>(second_runs)) {
            for (unsigned i = 0; i < words; ++i)
                o = pack_two_runs(b.w[i], group(mask, i), o);
        } else {
            o = pack_many_runs(b, mask, o);
        }
        return o;
    }

    // Kept out of the printing loop, whose registers it would take.
    [[gnu::noinline]] static char* pack_many_runs(const Block& b, u64 mask, char* o) {
        for (unsigned i = 0; i < words; ++i)
            o = pack_any(b.w[i], group(mask, i), o);
        return o;
    }
};

// NULs and Ctrl-Zs are rare: the C library's memchr, vectorised on most
// CPUs, passes over a read once for each faster than words can for both.
std::size_t find_stop_by_memchr(const char* p, std::size_t n) {
    const void* nul = std::memchr(p, '\0', n);
    const std::size_t before =
        nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - p) : n;
    const void* z = std::memchr(p, 0x1A, before);
    return z ? static_cast<std::size_t>(static_cast<const char*>(z) - p) : before;
}

} // namespace

extern const Kernel portable_kernel = kernel_of<Portable>("portable", find_stop_by_memchr);
extern const LineSearches portable_line_searches = line_searches_of<Portable>();
