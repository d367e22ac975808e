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

constexpr std::array<std::array<unsigned char, 8>, 256> pack_positions = make_pack_positions();
constexpr std::array<unsigned char, 256> pack_counts = make_pack_counts();

} // namespace
