// What the kernels with a byte shuffle (SSSE3 and later) share: the classes
// of a byte looked up by its two nibbles, and 16 bytes packed by a shuffle
// from a table. Each kernel's unit includes it and compiles it for its own
// instruction set.
#pragma once

#include <tmmintrin.h>

#include <array>
#include <cstdint>

#include "extract/kernel.h"
#include "extract/kernel/tables.h"

namespace {

// The classes of a byte as the bits of a byte, looked up by its low nibble
// and by its high nibble: a class is the bytes whose two nibbles both have
// its bit. LF and ":" share a bit, their low nibbles being the same;
// whitespace tells them apart. A byte of 0x80 or more looks up nothing in
// the low table (a shuffle index with its top bit set gives 0).
enum NibbleBit : unsigned {
    lf_or_colon_bit,
    cr_bit,
    open_paren_bit,
    close_paren_bit,
    open_angle_bit,
    close_angle_bit,
    space_bit, // the space; tab to CR have the bit above it
};

struct NibbleTables {
    alignas(16) std::array<char, 16> by_low, by_high;
};

// Each byte of a class sets the class's bit at its low nibble in one table
// and at its high nibble in the other.
constexpr NibbleTables make_nibble_tables() {
    constexpr char space = 1 << space_bit, tab_to_cr = static_cast<char>(2 << space_bit);
    const struct {
        unsigned char byte;
        char bits;
    } members[] = {
        {' ', space},
        {'\t', tab_to_cr},
        {'\n', tab_to_cr | 1 << lf_or_colon_bit},
        {'\v', tab_to_cr},
        {'\f', tab_to_cr},
        {'\r', tab_to_cr | 1 << cr_bit},
        {':', 1 << lf_or_colon_bit},
        {'(', 1 << open_paren_bit},
        {')', 1 << close_paren_bit},
        {'<', 1 << open_angle_bit},
        {'>', 1 << close_angle_bit},
    };
    NibbleTables t{};
    for (const auto& m : members) {
        t.by_low[m.byte & 0xFu] |= m.bits;
        t.by_high[m.byte >> 4u] |= m.bits;
    }
    return t;
}

constexpr NibbleTables nibble_tables = make_nibble_tables();

// The class that each bit below the whitespace bits stands for: LF and ":"
// share theirs until part_lf_and_colon.
constexpr std::uint64_t Classes::*const class_of_bit[space_bit] = {
    &Classes::lf,          &Classes::cr,         &Classes::open_paren,
    &Classes::close_paren, &Classes::open_angle, &Classes::close_angle};

// The class of LF and ":" parted by whitespace, once c.space is known.
inline void part_lf_and_colon(Classes& c) {
    c.colon = c.lf & ~c.space;
    c.lf &= c.space;
}

// The selected bytes of 16 stored at o, in order: each half's selected bytes
// are shuffled to its front, and the two halves stored one after the other
// (up to 8 bytes past them may be overwritten).
[[gnu::always_inline]] inline char* pack16(__m128i v, unsigned m16, char* o) {
    const unsigned lo = m16 & 0xFF, hi = m16 >> 8;
    const __m128i shuffle = _mm_castps_si128(
        _mm_loadh_pi(_mm_castsi128_ps(_mm_loadl_epi64(
                         reinterpret_cast<const __m128i*>(pack_positions[lo].data()))),
                     reinterpret_cast<const __m64*>(pack_positions_high[hi].data())));
    const __m128i packed = _mm_shuffle_epi8(v, shuffle);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(o), packed);
    o += pack_counts[lo];
    _mm_storel_epi64(reinterpret_cast<__m128i*>(o), _mm_unpackhi_epi64(packed, packed));
    return o + pack_counts[hi];
}

} // namespace
