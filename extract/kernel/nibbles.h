// What the kernels that classify a byte by a lookup of each of its nibbles
// (AVX2, NEON) share. Such a kernel has eight bits to give, and a table of
// the bytes it gives each bit; a byte has the bits that both its low nibble
// and its high nibble look up, so the bytes of a bit must be every pairing
// of their low and high nibbles. Each class of extract/classes.h is then
// found from the bits alone (class_bits): the bits whose bytes are all of the
// class; or one bit that the class's byte shares only with bytes on the
// other side of whitespace; or, where no bit has its byte, by comparison.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <type_traits>

#include "extract/classes.h"
#include "extract/rules.h"

namespace {

using BitBytes = std::array<std::string_view, 8>;

constexpr bool holds(std::string_view bytes, char c) {
    return bytes.find(c) != std::string_view::npos;
}

// The bits that each value of a nibble looks up: the low nibble's (shift 0)
// or the high one's (shift 4).
constexpr std::array<std::uint8_t, 16> nibble_table(const BitBytes& bits, unsigned shift) {
    std::array<std::uint8_t, 16> t{};
    for (unsigned bit = 0; bit < 8; ++bit)
        for (const char c : bits[bit])
            t[static_cast<unsigned char>(c) >> shift & 0xF] |= static_cast<std::uint8_t>(1u << bit);
    return t;
}

// How a class is found from the bits of its bytes: the bytes with any of
// bits, and of those only the whitespace (whitespace 1) or only the rest
// (-1); or, with compare, by comparing with its one byte.
struct ClassBits {
    unsigned bits = 0;
    int whitespace = 0;
    bool compare = false;
};

constexpr ClassBits class_bits(std::string_view bytes, const BitBytes& bits) {
    constexpr std::string_view space = byte_class::space::bytes;
    ClassBits r;
    for (unsigned bit = 0; bit < 8; ++bit) {
        bool inside = !bits[bit].empty();
        for (const char c : bits[bit])
            inside = inside && holds(bytes, c);
        if (inside)
            r.bits |= 1u << bit;
    }
    bool covered = true;
    for (const char c : bytes) {
        bool found = false;
        for (unsigned bit = 0; bit < 8; ++bit)
            found = found || (r.bits >> bit & 1 && holds(bits[bit], c));
        covered = covered && found;
    }
    if (covered)
        return r;
    r.bits = 0;
    for (unsigned bit = 0; bytes.size() == 1 && bit < 8; ++bit) {
        const char b = bytes[0];
        bool apart = holds(bits[bit], b);
        for (const char c : bits[bit])
            apart = apart && (c == b || holds(space, c) != holds(space, b));
        if (apart)
            return {1u << bit, holds(space, b) ? 1 : -1, false};
    }
    r.compare = true;
    return r;
}

// The classes of a block from any(bits), the mask of its bytes that have any
// of bits (given as a std::integral_constant), and equal(c), the mask of its
// bytes equal to c.
template <const BitBytes& table, class Any, class Equal>
[[gnu::always_inline]] inline Classes classes_by_bits(Any any, Equal equal) {
    constexpr ClassBits space_bits = class_bits(byte_class::space::bytes, table);
    static_assert(!space_bits.compare && space_bits.whitespace == 0,
                  "whitespace needs its own bits");
    const u64 space = any(std::integral_constant<unsigned, space_bits.bits>{});
    return map_classes<u64>([&](auto c) __attribute__((always_inline)) {
        constexpr std::string_view bytes = decltype(c)::bytes;
        constexpr ClassBits r = class_bits(bytes, table);
        static_assert(!r.compare || bytes.size() == 1, "a class of several bytes needs bits");
        if constexpr (r.compare) {
            return equal(bytes[0]);
        } else {
            const u64 m = any(std::integral_constant<unsigned, r.bits>{});
            if constexpr (r.whitespace > 0)
                return m & space;
            else if constexpr (r.whitespace < 0)
                return m & ~space;
            else
                return m;
        }
    });
}

} // namespace
