// The probes of a kernel: its classes of a block, and its value and
// addresses of one logical header line. The program never calls them (it
// prints whole fields, extract/print.h), and never holds them: the tests
// build each kernel's unit again with this header and one line more (see
// tests/kernels.cmake), to hold every kernel to the byte model a block and a
// line at a time.
#pragma once

#include <cstddef>
#include <cstring>

#include "extract/print.h"
#include "tests/kernels.h"

namespace {

// One logical header line, all of it text, with a field end just past its
// last byte: the walk goes on up to the block that holds that end.
struct OneLine {
    static bool done(std::size_t at, std::size_t n) { return at > n; }

    template <class B> static Ends ends(const B& b, const Classes&, const Classes&) {
        const std::size_t left = b.n - b.at;
        const u64 past_end = left >= block_size ? 0 : ~below(static_cast<unsigned>(left));
        return {past_end, past_end & ~(past_end << 1)};
    }
};

template <class K> std::size_t line_value(char* out, const char* p, std::size_t n) {
    std::size_t len = 0;
    Carries<Word> k;
    u64 in_value = 0;
    char packed[2 * block_size];
    for (Blocks<K, OneLine> blocks(p, n); !blocks.done(); blocks.advance()) {
        const Classes c = blocks.classes_at(blocks.at);
        const Selection<u64> s = blocks.rules(c, Classes{}, k);
        const u64 value = value_bytes(s, c.space, in_value);
        const auto got =
            static_cast<std::size_t>(K::pack(blocks.block_at(blocks.at), value, packed) - packed);
        std::memcpy(out + len, packed, got);
        len += got;
    }
    return len;
}

template <class K> Classes classify_bytes(const char* p) {
    return K::classify(K::load(p));
}

template <class K>
constexpr Probes kernel_probes = {classify_bytes<K>, print<K, OneLine>, line_value<K>};

} // namespace
