// The classes of bytes that the rules know, each with the bytes it stands
// for: the one list of them. Everything that goes through every class is
// made from it (map_classes); code that uses a class names it.
//
// A new class is one line here; the rules then name it, and the kernels that
// classify by a lookup table give it a bit of their table (see
// extract/kernel/nibbles.h). The others find a class of one byte by
// comparing with it, and whitespace, the one class of several bytes, by a
// test of their own.
#pragma once

#include <cstdint>
#include <string_view>

#include "extract/whitespace.h"

#define FIELDPICK_BYTE_CLASSES(CLASS)                                                              \
    CLASS(lf, "\n")                                                                                \
    CLASS(cr, "\r")                                                                                \
    CLASS(nul, "\0")                                                                               \
    CLASS(space, "\t\n\v\f\r ")                                                                    \
    CLASS(open_paren, "(")                                                                         \
    CLASS(close_paren, ")")                                                                        \
    CLASS(open_angle, "<")                                                                         \
    CLASS(close_angle, ">")                                                                        \
    CLASS(colon, ":")

// The bytes of a block in each class, one bit per byte (bit i for byte i).
template <class Mask> struct ClassMasks {
#define FIELDPICK_CLASS_MASK(name, bytes) Mask name;
    FIELDPICK_BYTE_CLASSES(FIELDPICK_CLASS_MASK)
#undef FIELDPICK_CLASS_MASK
};
using Classes = ClassMasks<std::uint64_t>; // of a 64-byte block

// Each class as a type, so that what is done for a class is chosen at
// compile time: byte_class::NAME::bytes are the bytes it stands for.
namespace byte_class {
#define FIELDPICK_CLASS_TYPE(name, text)                                                           \
    struct name {                                                                                  \
        static constexpr std::string_view bytes{text, sizeof text - 1};                            \
    };
FIELDPICK_BYTE_CLASSES(FIELDPICK_CLASS_TYPE)
#undef FIELDPICK_CLASS_TYPE
} // namespace byte_class

// The range test of whitespace.h, which the scalar code and some kernels
// use, stands for exactly the bytes of the space class.
constexpr bool whitespace_range_is_space_class() {
    for (unsigned c = 0; c < 256; ++c)
        if (is_whitespace(static_cast<unsigned char>(c)) !=
            (byte_class::space::bytes.find(static_cast<char>(c)) != std::string_view::npos))
            return false;
    return true;
}
static_assert(whitespace_range_is_space_class());

// The masks of every class, each f(byte_class::NAME{}, from.NAME...): f
// gets the class, as a type, and its mask in each of from.
template <class To, class F, class... From>
[[gnu::always_inline]] inline ClassMasks<To> map_classes(F f, const ClassMasks<From>&... from) {
#define FIELDPICK_MAP_CLASS(name, bytes) static_cast<To>(f(byte_class::name{}, from.name...)),
    return {FIELDPICK_BYTE_CLASSES(FIELDPICK_MAP_CLASS)};
#undef FIELDPICK_MAP_CLASS
}
