#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "extract/scan.h"
#include "tests/bytes.h"

namespace {

using FindFn = const char* (*)(const char*, const char*);
using CopyFn = const char* (*)(char*, const char*, const char*);
using Pred = bool (*)(unsigned char);

bool not_space(unsigned char c) {
    return !is_space(c);
}

// One search of one build of the scanner, the bytes it must stop at, and
// bytes it must pass over: near misses that differ from a match in one bit,
// and bytes >= 0x80 that would match if read as signed or masked.
struct Search {
    std::string name;
    FindFn find;
    Pred stops_at;
    std::string fillers;
};

struct Build {
    std::string name;
    FindFn find_paren, find_angle, find_space, skip_space, find_paren_or_open;
    CopyFn copy_until_paren;
};

// Both builds on x86; elsewhere (or for 32-bit x86 without SSE2) only the
// portable one exists, and it is the one the program uses.
std::vector<Build> builds() {
    std::vector<Build> all = {{"portable", scan_portable::find_paren, scan_portable::find_angle,
                               scan_portable::find_space, scan_portable::skip_space,
                               scan_portable::find_paren_or_open, scan_portable::copy_until_paren}};
#if defined(__SSE2__)
    all.push_back({"sse2", scan_sse2::find_paren, scan_sse2::find_angle, scan_sse2::find_space,
                   scan_sse2::skip_space, scan_sse2::find_paren_or_open,
                   scan_sse2::copy_until_paren});
#endif
    return all;
}

std::vector<Search> searches() {
    std::vector<Search> all;
    for (const Build& b : builds()) {
        all.push_back({b.name + " find_paren", b.find_paren, scan_portable::is_paren,
                       std::string("*'a\xA8\xA9\x08\x09", 7)});
        all.push_back(
            {b.name + " find_angle", b.find_angle, scan_portable::is_angle, "=?a\xBC\xBE\x3D\x7E"});
        all.push_back({b.name + " find_space", b.find_space, is_space,
                       std::string("a\x08\x0E\x1F!\x89\x8D\xA0\xFF\0", 10)});
        all.push_back({b.name + " skip_space", b.skip_space, not_space, " \t\n\v\f\r"});
        all.push_back({b.name + " find_paren_or_open", b.find_paren_or_open,
                       scan_portable::is_paren_or_open, "*>=\xA8\xBC"});
    }
    return all;
}

// A range of up to 40 bytes, at offsets 0 to 3 in a buffer whose bytes
// before and after the range would all stop the search: a block scanner must
// neither report them nor miss the one byte placed at each position inside.
TEST(Scan, EveryByteAtEveryPositionOfTheRange) {
    for (const Search& s : searches()) {
        unsigned char stop = 0;
        while (!s.stops_at(stop))
            ++stop;
        int failures = 0;
        for (char filler : s.fillers)
            for (std::size_t offset = 0; offset < 4; ++offset)
                for (std::size_t len = 0; len <= 40; ++len) {
                    std::string buf(offset + len + 20, static_cast<char>(stop));
                    buf.replace(offset, len, len, filler);
                    const char* p = buf.data() + offset;
                    auto check = [&](std::size_t want) {
                        std::size_t got = static_cast<std::size_t>(s.find(p, p + len) - p);
                        if (got != want && ++failures <= 3)
                            ADD_FAILURE() << s.name << " in " << escaped({p, len}) << ": got "
                                          << got << ", want " << want;
                    };
                    check(len);
                    for (std::size_t at = 0; at < len; ++at) {
                        for (int byte = 0; byte < 256; ++byte) {
                            buf[offset + at] = static_cast<char>(byte);
                            check(s.stops_at(static_cast<unsigned char>(byte)) ? at : len);
                        }
                        buf[offset + at] = filler;
                    }
                }
    }
}

// The copy stops at the first paren with everything before it copied, and
// never writes outside the room it was given (end - p bytes).
TEST(Scan, CopyUntilParenCopiesThePrefixAndStaysInItsRoom) {
    for (const Build& b : builds())
        for (std::size_t len = 0; len <= 50; ++len)
            for (std::size_t at = 0; at <= len; ++at)
                for (char paren : {'(', ')'}) {
                    std::string in(len + 16, '(');
                    for (std::size_t i = 0; i < len; ++i)
                        in[i] = static_cast<char>("ab\xA8\xA9 *"[i % 6]);
                    if (at < len)
                        in[at] = paren;
                    std::string room(len + 32, '#');
                    const char* got =
                        b.copy_until_paren(room.data() + 16, in.data(), in.data() + len);
                    std::size_t stop = static_cast<std::size_t>(got - in.data());
                    ASSERT_EQ(stop, at) << b.name << " in " << escaped(in.substr(0, len));
                    EXPECT_EQ(room.substr(16, at), in.substr(0, at)) << b.name;
                    EXPECT_EQ(room.substr(0, 16), std::string(16, '#')) << b.name;
                    EXPECT_EQ(room.substr(16 + len), std::string(16, '#')) << b.name;
                }
}

// The writers of each build, checked against a byte-at-a-time model of word
// and bracket mode on many mixes of the bytes that matter, at every length
// around the block size, from either starting state.
using WriteFn = const char* (*)(char*&, const char*, const char*, bool&);

struct Writer {
    std::string name;
    WriteFn write;
    bool words; // word mode, else bracket mode
};

std::vector<Writer> writers() {
    std::vector<Writer> all = {{"portable write_words", scan_portable::write_words, true},
                               {"portable write_bracketed", scan_portable::write_bracketed, false}};
#if defined(__SSE2__)
    all.push_back({"sse2 write_words", scan_sse2::write_words, true});
    all.push_back({"sse2 write_bracketed", scan_sse2::write_bracketed, false});
#endif
    return all;
}

// What a writer must do with text, state and all; returns where it stops.
std::size_t model(bool words, const std::string& text, std::string& out, bool& state) {
    std::size_t i = 0;
    for (; i < text.size() && !scan_portable::is_paren(static_cast<unsigned char>(text[i])); ++i) {
        char c = text[i];
        if (words) {
            if (!is_space(static_cast<unsigned char>(c)))
                out += c;
            else if (!state)
                out += output_newline;
            state = is_space(static_cast<unsigned char>(c));
        } else if (c == '>') {
            out += output_newline;
            state = false;
        } else if (c == '<') {
            state = true;
        } else if (state) {
            out += c;
        }
    }
    return i;
}

TEST(Scan, WritersMatchTheByteModelAndStayInTheirRoom) {
    // Mostly words and spaces, with runs of spaces, brackets and parens.
    const std::string bytes = std::string("aaaaab\xE9  \t\n\v\f\r<>()", 18);
    std::uint32_t seed = 1;
    auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 16; };
    int failures = 0;
    for (const Writer& w : writers())
        for (int round = 0; round < 3000; ++round) {
            std::size_t len = next() % 70;
            std::string text;
            for (std::size_t i = 0; i < len; ++i)
                text += bytes[next() % (round % 3 == 0 ? bytes.size() - 2 : bytes.size())];
            for (bool start : {false, true}) {
                std::string want;
                bool want_state = start;
                std::size_t want_stop = model(w.words, text, want, want_state);

                std::string room(16 + scan_portable::words_room(len) + 16, '#');
                char* o = room.data() + 16;
                bool state = start;
                const char* stop = w.write(o, text.data(), text.data() + len, state);
                std::string got(room.data() + 16, o);
                bool guards = room.compare(0, 16, std::string(16, '#')) == 0 &&
                              room.compare(room.size() - 16, 16, std::string(16, '#')) == 0;
                if ((got != want || state != want_state ||
                     static_cast<std::size_t>(stop - text.data()) != want_stop || !guards) &&
                    ++failures <= 3)
                    ADD_FAILURE() << w.name << " on " << escaped(text) << " from " << start
                                  << ": wrote " << escaped(got) << " up to " << (stop - text.data())
                                  << " ending in state " << state << ", want " << escaped(want)
                                  << " up to " << want_stop << " in state " << want_state;
            }
        }
}

} // namespace
