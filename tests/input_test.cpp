#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

#include "driver/input.h"
#include "driver/unfold.h"
#include "tests/bytes.h"

namespace {

using namespace std::string_literals;

// Hands out the bytes in reads of a fixed size, then fails or ends.
struct Pieces {
    std::string data;
    std::size_t piece;
    std::size_t pos = 0;
    bool fail_at_end = false;
};

std::ptrdiff_t read_pieces(void* ctx, char* buf, std::size_t cap) {
    Pieces& src = *static_cast<Pieces*>(ctx);
    if (src.pos == src.data.size() && src.fail_at_end) {
        errno = EIO;
        return -1;
    }
    std::size_t n = std::min({cap, src.piece, src.data.size() - src.pos});
    src.data.copy(buf, n, src.pos);
    src.pos += n;
    return static_cast<std::ptrdiff_t>(n);
}

// The lines, each shown with a "|" after it.
std::string lines_of(const std::string& data, std::size_t piece) {
    Pieces src{data, piece};
    Input in = make_input(read_pieces, &src);
    std::string got;
    std::string_view line;
    while (next_line(in, line))
        got.append(line).append("|");
    return got;
}

struct Case {
    std::string in;
    std::string want;
};

// Every case must come out the same however the input is cut into reads.
TEST(NextLine, LinesAreTheSameForEveryReadSize) {
    const std::vector<Case> cases = {
        {"", ""},
        {"\n", "|"},
        {"a\nb", "a|b|"},
        {"a\r\nb\r\n", "a|b|"},
        {"a\r\r\n", "a\r|"},
        {"a\rb\n", "a\rb|"},
        {"a\r", "a\r|"},
        {"a\r\x1A\nb", "a\r|"},
        {"a\nb\x1A"
         "c\nd\n",
         "a|b|"},
        {"\x1A"
         "a\n",
         ""},
        {"ab\0cd\nef\n"s, "ab|ef|"},
        {"\0x\r\n"s, "|"},
        {"ab\0\r\n"s, "ab|"},
        {"a\0b\nc\nd\0\ne\n"s, "a|c|d|e|"}, // a NUL, clean lines, then another
        {"\0\n\0\nx\n"s, "||x|"},
        {"ab\nc\0d\r\n\0\r\nef"s, "ab|c||ef|"},
    };
    for (const Case& c : cases)
        for (std::size_t piece : {1u, 2u, 3u, 5u, 4096u})
            EXPECT_EQ(escaped(lines_of(c.in, piece)), escaped(c.want))
                << "input " << escaped(c.in) << " in reads of " << piece;
}

TEST(NextLine, LinesLongerThanTheBufferAreNeverCut) {
    std::string longest(65535, 'x');
    std::string huge(300000, 'y');
    EXPECT_EQ(lines_of(longest + "\r\n" + huge + "\nz", 65536), longest + "|" + huge + "|z|");
}

TEST(NextLine, AFailedReadEndsTheInputAfterTheLineSoFar) {
    Pieces src{"a\nb", 1, 0, true};
    Input in = make_input(read_pieces, &src);
    std::string got;
    std::string_view line;
    while (next_line(in, line))
        got.append(line).append("|");
    EXPECT_EQ(got, "a|b|");
    EXPECT_EQ(in.error, EIO);
}

std::string filtered(const std::string& data, bool fail_at_end = false, std::size_t piece = 7) {
    Pieces src{data, piece, 0, fail_at_end};
    Input in = make_input(read_pieces, &src);
    std::string got;
    Output out = make_output(append_to_string, &got);
    unfold_headers(in, out);
    out_flush(out);
    return got;
}

TEST(UnfoldHeaders, ContinuationLinesJoinTheFieldTheyContinue) {
    const std::vector<Case> cases = {
        {"To: Ann <box1>,\n\tBob (desk) <box2>\nSubject: hello\n", "box1\nbox2\nhello\n"},
        {"To: box1,\n box2\n", "box1,\nbox2\n"},
        {"To: <box1\n >\n", "box1 \n"},
        {"To: <box1\r\n >\r\n", "box1 \n"},
        {"To: <a\n\vb>\n", "a\vb\n"},
        {"From: Ann <box1>\n\nNote: see box3\n", "box1\nsee\nbox3\n"},
        {" box1 box2\n", "box1\nbox2\n"},
        {"To: Ann\n <box1>\nCc: box2", "box1\nbox2\n"},
        {"To: <a>\n\0 <b>\n"s, "a\n"}, // a NUL first makes an empty line
    };
    for (const Case& c : cases)
        EXPECT_EQ(escaped(filtered(c.in)), escaped(c.want)) << "input " << escaped(c.in);
}

// A one-line field is printed where it lies when the next line is already
// read; the result must not depend on where the reads end.
TEST(UnfoldHeaders, FieldsAreTheSameForEveryReadSize) {
    const std::vector<Case> cases = {
        {"From: <a>\nTo: <b>,\n <c>\nCc: d\n", "a\nb\nc\nd\n"},
        {"To: <a>\n\r\n <b>\n", "a\nb\n"}, // an empty CR LF line, then a continuation
        {"To: <a\r\n\t>\r\nCc: <b>\r\n", "a\t\nb\n"},
        {"To: a\n\0 b\nCc: c"s, "a\nc\n"},
        {"To: a\n\n\nCc: b\n \n", "a\nb\n"},
    };
    for (const Case& c : cases)
        for (std::size_t piece : {1u, 2u, 3u, 5u, 4096u})
            EXPECT_EQ(escaped(filtered(c.in, false, piece)), escaped(c.want))
                << "input " << escaped(c.in) << " in reads of " << piece;
}

TEST(UnfoldHeaders, AReadFailureDropsTheOpenHeaderOnly) {
    EXPECT_EQ(filtered("To: box1\nCc: box2\n", true), "box1\n");
}

} // namespace
