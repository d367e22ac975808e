// The printing of what the rules (extract/rules.h) select, block by block,
// on the kernel primitives that extract/kernel/make_kernel.h lists: the selected
// bytes packed into the output, each line end made the output's newline.
#pragma once

#include <cstddef>

#include "extract/blocks.h"
#include "extract/output.h"
#include "extract/rules.h"
#include "extract/take_back.h"

namespace {

// Stores the selected bytes of block at o, each line end as out's newline.
template <class K>
[[gnu::always_inline]] inline char* pack_block(const typename K::Block& block,
                                               const Selection<u64>& s, bool crlf, char* o) {
    if (!crlf)
        return K::pack(K::set_bytes(block, s.newline, '\n'), s.keep, o);
    if (!s.newline)
        return K::pack(block, s.keep, o);
    // Each byte is widened to itself and an LF: a line end keeps both, with
    // its byte made a CR; any other byte keeps only itself.
    const auto b = K::set_bytes(block, s.newline, '\r');
    o = K::pack(K::widen(b, 0), to_even_bits(s.keep) | to_even_bits(s.newline) << 1, o);
    return K::pack(K::widen(b, 1), to_even_bits(s.keep >> 32) | to_even_bits(s.newline >> 32) << 1,
                   o);
}

template <class K, class Source> void print(Output& out, const char* p, std::size_t n) {
    if (out.cap < output_slack)
        return;
    TakeBack take_back;
    Carries<Word> carries;
    const bool crlf = out.crlf;
    char* const base = out.buf.get();
    char* const full = base + (out.cap - output_slack); // past here, no room for a block
    char* o = base + out.len;
    Blocks<K, Source> blocks(p, n);
    // A chunk of blocks at a time, in four loops: the classes, then each
    // part of the rules, then the printing. Each loop is short, so that the
    // CPU runs several of its blocks at once. The output has room for the
    // whole chunk.
    Classes classes[chunk_blocks + 1];
    Selection<u64> selected[chunk_blocks] = {}; // each part writes its own marks
    while (!blocks.done()) {
        if (o > full) {
            out.len = static_cast<std::size_t>(o - base);
            take_back.settle(out, blocks, carries);
            out_flush(out);
            o = base + out.len;
        }
        // A block writes at most two bytes for each of its own.
        const std::size_t room = static_cast<std::size_t>(full - o) / (2 * block_size) + 1;
        const std::size_t first = blocks.at;
        const std::size_t m = blocks.classify_chunk(classes, room);
        for (std::size_t i = 0; i < m; ++i, blocks.advance())
            blocks.text_rules(classes[i], classes[i + 1], carries, selected[i]);
        for (std::size_t i = 0; i < m; ++i)
            block_address_rules(classes[i], selected[i], carries);
        for (std::size_t i = 0; i < m; ++i) {
            Selection<u64>& s = selected[i];
            take_back.apply(s, o, base, crlf);
            if (s.keep)
                o = pack_block<K>(blocks.block_at(first + i * block_size), s, crlf, o);
        }
    }
    out.len = static_cast<std::size_t>(o - base);
}

template <class K> void print_fields(Output& out, const char* p, std::size_t n) {
    print<K, Fields>(out, p, n);
}

} // namespace
