// The filter from input bytes to output bytes: lines, line ends, Ctrl-Z,
// NUL and continuation lines, by every kernel and for every way the input
// can be cut into reads.
#include <cerrno>
#include <string>
#include <vector>

#include "driver/input.h"
#include "tests/bytes.h"
#include "tests/every_kernel.h"
#include "tests/model.h"

namespace {

using namespace std::string_literals;

void expect_filtered(const std::vector<Case>& cases,
                     std::initializer_list<std::size_t> pieces = {1, 2, 3, 5, 4096}) {
    for (const Case& c : cases)
        for (std::size_t piece : pieces)
            for (bool crlf : {false, true})
                EXPECT_EQ(escaped(filtered(c.in, EveryKernel::kernel(), crlf, piece)),
                          escaped(with_newline(c.want, crlf)))
                    << "on " << escaped(c.in) << " in reads of " << piece;
}

EVERY_KERNEL(Filter);

// "X:<" shows a line's text as it reaches the rules.
TEST_P(Filter, LinesEndAtLfAsATextStreamHandsThemOver) {
    expect_filtered({
        {"", ""},
        {"\n", ""},
        {"X:<a\nX:<b", "a\nb\n"},
        {"X:<a\r\nX:<b\r\n", "a\nb\n"},
        {"X:<a\r\r\n", "a\r\n"},
        {"X:<a\rb\n", "a\rb\n"},
        {"X:<a\r", "a\r\n"},
        {"X:<a\r\x1A\nX:<b", "a\r\n"},
        {"X:<a\nX:<b\x1A"
         "c\nX:<d\n",
         "a\nb\n"},
        {"\x1A"
         "X:<a\n",
         ""},
        {"X:<ab\0cd\nX:<ef\n"s, "ab\nef\n"},
        {"\0X:<x\r\n"s, ""},
        {"X:<ab\0\r\n"s, "ab\n"},
        {"X:<a\r\0\n"s, "a\r\n"},                           // the CR is not before the LF
        {"X:<a\0b\nX:<c\nX:<d\0\nX:<e\n"s, "a\nc\nd\ne\n"}, // a NUL, clean lines, then another
        {"\0\n\0\nX:<x\n"s, "x\n"},
        {"X:<ab\nX:<c\0d\r\n\0\r\nX:<ef"s, "ab\nc\nef\n"},
        {"X:<a\0\0\0\0\0\0\nX:<b\0"s, "a\nb\n"},
    });
}

TEST_P(Filter, ContinuationLinesJoinTheFieldTheyContinue) {
    expect_filtered({
        {"To: Ann <box1>,\n\tBob (desk) <box2>\nSubject: hello\n", "box1\nbox2\nhello\n"},
        {"To: box1,\n box2\n", "box1,\nbox2\n"},
        {"To: <box1\n >\n", "box1 \n"},
        {"To: <box1\r\n >\r\n", "box1 \n"},
        {"To: <a\n\vb>\n", "a\vb\n"},
        {"From: Ann <box1>\n\nNote: see box3\n", "box1\nsee\nbox3\n"},
        {" box1 box2\n", "box1\nbox2\n"},
        {"To: Ann\n <box1>\nCc: box2", "box1\nbox2\n"},
        {"To: <a>\n\0 <b>\n"s, "a\n"}, // a NUL first makes an empty line
        {"From: <a>\nTo: <b>,\n <c>\nCc: d\n", "a\nb\nc\nd\n"},
        {"To: <a>\n\r\n <b>\n", "a\nb\n"}, // an empty CR LF line, then a continuation
        {"To: <a\r\n\t>\r\nCc: <b>\r\n", "a\t\nb\n"},
        {"To: a\n\0 b\nCc: c"s, "a\nc\n"},
        {"To: a\n\n\nCc: b\n \n", "a\nb\n"},
        {"To: a\n\r", "a\n"}, // a last line of one CR continues the field
        {"To: <a\n\r", "a\r\n"},
    });
}

TEST_P(Filter, LinesAndFieldsLongerThanTheBufferAreNeverCut) {
    const std::string longest(65535, 'x');
    const std::string huge(300000, 'y');
    std::string folded = "To: <a", unfolded = "a";
    for (int i = 0; i < 30000; ++i) {
        folded += "\n b";
        unfolded += " b";
    }
    // A field of words whose output fills the output buffer, then one whose
    // words must be taken back at a "<" in a later block; then many such
    // pairs, so that the buffer fills within a field of words and the field
    // after it is read in the same pass.
    std::string words, lines, pairs;
    for (int i = 0; i < 40000; ++i) {
        words += " w" + std::to_string(i);
        lines += "w" + std::to_string(i) + "\n";
    }
    while (pairs.size() < 600000)
        pairs += "To:" + words.substr(0, 200) + "\nCc:" + words.substr(0, 100) + " <x>\n";
    expect_filtered(
        {{"X:<" + longest + "\r\nX:<" + huge + "\nX:<z", longest + "\n" + huge + "\nz\n"},
         {folded + ">\nCc: c\n", unfolded + "\nc\n"},
         {"To:" + words + "\nCc:" + words.substr(0, 100) + " <x>\n", lines + "x\n"},
         {pairs, model::filter(pairs, false)}},
        {65536, 100000});
}

TEST_P(Filter, AFailedReadDropsTheOpenFieldOnly) {
    for (std::size_t piece : {1u, 4096u}) {
        int error = 0;
        EXPECT_EQ(filtered("To: box1\nCc: box2\n", kernel(), false, piece, true, &error), "box1\n");
        EXPECT_EQ(error, EIO);
        EXPECT_EQ(filtered("To: a\nC", kernel(), false, piece, true, &error), "a\n");
        EXPECT_EQ(filtered("To: a\n\r", kernel(), false, piece, true, &error), "");
    }
}

} // namespace
