// Tables for packing eight bytes by a mask of eight bits without a
// compress instruction.
#pragma once

#include <array>
#include <cstdint>

namespace {

// For each mask, the positions of its set bits in order, then zeros.
constexpr std::array<std::array<unsigned char, 8>, 256> make_pack_positions() {
    std::array<std::array<unsigned char, 8>, 256> t{};
    for (unsigned m = 0; m < 256; ++m) {
        unsigned n = 0;
        for (unsigned i = 0; i < 8; ++i)
            if (m >> i & 1)
                t[m][n++] = static_cast<unsigned char>(i);
    }
    return t;
}

constexpr std::array<unsigned char, 256> make_pack_counts() {
    std::array<unsigned char, 256> t{};
    for (unsigned m = 0; m < 256; ++m)
        t[m] = static_cast<unsigned char>(__builtin_popcount(m));
    return t;
}

// A mask whose set bits are not one run.
constexpr unsigned char scattered_run = 0xFF;

// For each mask whose set bits are one run (or none), the shift in bits that
// brings the run down to the lowest byte; scattered_run for the others.
constexpr std::array<unsigned char, 256> make_pack_run_shifts() {
    std::array<unsigned char, 256> t{};
    for (unsigned m = 1; m < 256; ++m) {
        const unsigned low = static_cast<unsigned>(__builtin_ctz(m));
        const unsigned run = m >> low;
        t[m] = (run & (run + 1)) == 0 ? static_cast<unsigned char>(8 * low) : scattered_run;
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

constexpr std::array<std::array<unsigned char, 8>, 256> pack_positions = make_pack_positions();
constexpr std::array<unsigned char, 256> pack_counts = make_pack_counts();
constexpr std::array<unsigned char, 256> pack_run_shifts = make_pack_run_shifts();
constexpr std::array<std::uint64_t, 256> byte_masks = make_byte_masks();

} // namespace
