// Every kernel this CPU runs, held to the byte-at-a-time model: the classes
// of every byte at every position of a block, fieldgrep's searches,
// then random lines and random inputs cut into reads of many sizes.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "tests/address.h"
#include "tests/capture.h"
#include "tests/every_kernel.h"
#include "tests/model.h"

namespace {

EVERY_KERNEL(AgainstModel);

TEST_P(AgainstModel, ClassifiesEveryByteAtEveryPosition) {
    int failures = 0;
    for (char filler : {'a', '\xA9'})
        for (unsigned at = 0; at < 64; ++at)
            for (int byte = 0; byte < 256; ++byte) {
                char block[64];
                std::memset(block, filler, sizeof block);
                const auto c = static_cast<char>(byte);
                block[at] = c;
                const Classes got = probes_of(kernel()).classify(block);
                const std::uint64_t bit = std::uint64_t{1} << at;
                const Classes want = map_classes<std::uint64_t>([c, bit](auto k) {
                    return decltype(k)::bytes.find(c) != std::string_view::npos ? bit : 0;
                });
                if ((std::memcmp(&got, &want, sizeof got) != 0 ||
                     (want.space != 0) != model::is_space(c)) &&
                    ++failures <= 3)
                    ADD_FAILURE() << "byte " << byte << " at " << at << " in the wrong classes";
                // The search for NUL and Ctrl-Z, over the whole block and
                // over the bytes up to and including this one.
                const bool stop = c == '\0' || c == '\x1A';
                if ((kernel().find_stop(block, 64) != (stop ? at : 64) ||
                     kernel().find_stop(block, at + 1) != (stop ? at : at + 1)) &&
                    ++failures <= 3)
                    ADD_FAILURE() << "find_stop misses byte " << byte << " at " << at;
            }
}

// Where fieldgrep's searches stop, byte by byte: the first LF that a byte
// the search looks for follows.
template <class Follows> std::size_t lf_before_model(std::string_view text, Follows follows) {
    for (std::size_t i = 0; i + 1 < text.size(); ++i)
        if (text[i] == '\n' && follows(text[i + 1]))
            return i;
    return text.size();
}

// Texts of LFs, CRs and tabs among letters or among spaces, sparse and
// dense, of every length up to four blocks and more: the first stop of each
// search falls at every position, on either side of a block's end, or
// nowhere. Each text is read from a buffer of its exact size.
TEST_P(AgainstModel, FindsLineStartsLikeTheModel) {
    const LineSearches searches = line_searches(kernel());
    const auto empty_line = [](char c) { return c == '\n' || c == '\r'; };
    const auto field_line = [](char c) { return c != ' ' && c != '\t'; };
    std::uint32_t seed = 1;
    auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 16; };
    for (const char filler : {'a', ' '})
        for (std::size_t len = 0; len < 270; ++len)
            for (std::size_t fillers = 1; fillers < 200; fillers += 9) {
                std::vector<char> text(len);
                for (char& c : text) {
                    const std::size_t r = next() % (fillers + 3);
                    c = r == 0 ? '\n' : r == 1 ? '\r' : r == 2 ? '\t' : filler;
                }
                const std::string_view view(text.data(), len);
                EXPECT_EQ(searches.empty_line(text.data(), len), lf_before_model(view, empty_line))
                    << escaped(std::string(view));
                EXPECT_EQ(searches.field_line(text.data(), len), lf_before_model(view, field_line))
                    << escaped(std::string(view));
            }
}

// Random bytes, mostly those the rules know, with words of letters between.
std::string random_text(std::uint32_t& seed, std::size_t len, bool line_ends) {
    static const std::string lots = std::string("aaaaaaaab\xE9  \t\v\f\r<>()::\n\r\0\x1A", 26);
    auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 16; };
    const std::size_t kinds = line_ends ? lots.size() : lots.size() - 4;
    std::string text;
    for (std::size_t i = 0; i < len; ++i) {
        // Two draws in a fixed order, so that every compiler makes the same text.
        const std::size_t wide = next() % 4 == 0 ? kinds : 9;
        text += lots[next() % wide];
    }
    return text;
}

// The line placed at every offset from 0 to 3 past a 64-byte boundary, with
// bytes that would change the result after it: nothing past the end may be
// taken for part of the line. (The fuzzers, with buffers of the line's exact
// size, show under AddressSanitizer that nothing past it is read.)
TEST_P(AgainstModel, LinesMatchTheModelAtEveryOffset) {
    std::uint32_t seed = 1;
    for (std::size_t round = 0; round < 3000; ++round) {
        const std::size_t len = round % 100 == 99 ? 1000 + round : seed % 150;
        const std::string line = random_text(seed, len, false);
        for (bool crlf : {false, true}) {
            const std::size_t offset = round % 4;
            std::vector<char> storage(64 + offset + line.size() + 8, '<');
            char* at = reinterpret_cast<char*>(
                (reinterpret_cast<std::uintptr_t>(storage.data()) + 63) / 64 * 64 + offset);
            std::memcpy(at, line.data(), line.size());
            std::string got;
            Output out = output_to(got, crlf);
            ASSERT_EQ(escaped(addresses_of(kernel(), out, got, {at, line.size()})),
                      escaped(model::addresses(line, crlf ? "\r\n" : "\n")))
                << (crlf ? "CR LF" : "LF") << " on " << escaped(line);
            ASSERT_EQ(escaped(value_of(kernel(), {at, line.size()})), escaped(model::value(line)))
                << "value of " << escaped(line);
        }
    }
}

TEST_P(AgainstModel, InputsMatchTheModelInReadsOfEverySize) {
    std::uint32_t seed = 7;
    for (int round = 0; round < 600; ++round) {
        const std::string text = random_text(seed, seed % 300, true) + (round % 2 ? "\n" : "");
        const bool fail = round % 3 == 0;
        for (std::size_t piece : {1u, 2u, 3u, 5u, 64u, 100000u}) {
            const bool crlf = piece % 2 == 1;
            int error = 0;
            const std::string got = filtered(text, kernel(), crlf, piece, fail, &error);
            ASSERT_EQ(escaped(got), escaped(model::filter(text, fail, crlf ? "\r\n" : "\n")))
                << "in reads of " << piece << (fail ? ", failing at the end" : "") << " on "
                << escaped(text);
            const bool stopped = text.find('\x1A') != std::string::npos;
            EXPECT_EQ(error, fail && !stopped ? EIO : 0) << "on " << escaped(text);
        }
    }
}

} // namespace
