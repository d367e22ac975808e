// Tables for the kernels without a compress instruction: packing eight
// bytes by a mask of eight bits, and setting the bytes of such a mask.
#pragma once

#include <array>
#include <cstdint>

namespace {

// For each mask, the positions of its set bits in order, each plus from,
// then as many of from.
constexpr std::array<std::array<unsigned char, 8>, 256> make_pack_positions(unsigned from = 0) {
    std::array<std::array<unsigned char, 8>, 256> t{};
    for (unsigned m = 0; m < 256; ++m) {
        unsigned n = 0;
        for (unsigned i = 0; i < 8; ++i)
            if (m >> i & 1)
                t[m][n++] = static_cast<unsigned char>(from + i);
        while (n < 8)
            t[m][n++] = static_cast<unsigned char>(from);
    }
    return t;
}

constexpr std::array<unsigned char, 256> make_pack_counts() {
    std::array<unsigned char, 256> t{};
    for (unsigned m = 0; m < 256; ++m)
        t[m] = static_cast<unsigned char>(__builtin_popcount(m));
    return t;
}

// The first two runs of set bits of a mask of eight: each one's shift in
// bits that brings it down to the lowest byte, and the first one's length.
// (Four bytes apart, so that an entry's address takes no multiply.)
struct alignas(4) PackRuns {
    unsigned char first, length, second;
};

constexpr std::array<PackRuns, 256> make_pack_runs() {
    std::array<PackRuns, 256> t{};
    for (unsigned m = 0; m < 256; ++m) {
        unsigned runs = 0;
        for (unsigned i = 0; i < 8; ++i) {
            const bool set = m >> i & 1, starts = set && (i == 0 || !(m >> (i - 1) & 1));
            runs += starts;
            if (starts && runs <= 2)
                (runs == 1 ? t[m].first : t[m].second) = static_cast<unsigned char>(8 * i);
            if (set && runs == 1)
                ++t[m].length;
        }
    }
    return t;
}

// Packing eight bytes of any mask in three steps, as Hacker's Delight packs
// the bits of a word: with the bytes not selected cleared, each selected
// byte moves down 1, 2 and then 4 places wherever that bit is set in the
// count of bytes not selected below it. For each step and each mask, the
// bytes that move, 0xFF in each, where they stand before the step. (No byte
// lands on another: two bytes a places apart with b bytes not selected
// between them end up at least a - b places apart at each step, and a > b.)
constexpr std::array<std::array<std::uint64_t, 256>, 3> make_compress_steps() {
    std::array<std::array<std::uint64_t, 256>, 3> t{};
    for (unsigned m = 0; m < 256; ++m) {
        unsigned dropped = 0;
        for (unsigned i = 0; i < 8; ++i) {
            if (!(m >> i & 1)) {
                ++dropped;
                continue;
            }
            for (unsigned step = 0; step < 3; ++step)
                if (dropped >> step & 1)
                    t[step][m] |= std::uint64_t{0xFF} << 8 * (i - (dropped & ((1u << step) - 1)));
        }
    }
    return t;
}

// For each mask, 0xFF in each byte whose bit is set.
constexpr std::array<std::uint64_t, 256> make_byte_masks() {
    std::array<std::uint64_t, 256> t{};
    for (unsigned m = 0; m < 256; ++m)
        for (unsigned i = 0; i < 8; ++i)
            if (m >> i & 1)
                t[m] |= std::uint64_t{0xFF} << 8 * i;
    return t;
}

// The bits of a mask in groups of `width`, for packing a group at a time:
// the low bit of each group.
template <unsigned width>
constexpr std::uint64_t group_lows = ~std::uint64_t{0} / ((1u << width) - 1);

// The first set bit of each run of set bits in each group.
template <unsigned width> std::uint64_t run_starts(std::uint64_t mask) {
    return mask & ~(mask << 1 & ~group_lows<width>);
}

// Each group of mask less its lowest set bit.
template <unsigned width> std::uint64_t less_lowest_bit(std::uint64_t mask) {
    return mask & ((mask | group_lows<width> << (width - 1)) - group_lows<width>);
}

constexpr std::array<std::array<unsigned char, 8>, 256> pack_positions = make_pack_positions();
// The same for the high half of 16 bytes, for a byte shuffle of all 16.
constexpr std::array<std::array<unsigned char, 8>, 256> pack_positions_high =
    make_pack_positions(8);
constexpr std::array<unsigned char, 256> pack_counts = make_pack_counts();
constexpr std::array<PackRuns, 256> pack_runs = make_pack_runs();
constexpr std::array<std::uint64_t, 256> byte_masks = make_byte_masks();
constexpr std::array<std::array<std::uint64_t, 256>, 3> compress_steps = make_compress_steps();

} // namespace
