// The filter from input bytes to output bytes: lines, line ends, Ctrl-Z,
// NUL and continuation lines, by every kernel and for every way the input
// can be cut into reads.
#include <cerrno>
#include <string>
#include <vector>

#include "driver/input.h"
#include "tests/capture.h"
#include "tests/cases.h"
#include "tests/every_kernel.h"
#include "tests/model.h"

namespace {

void expect_filtered(const std::vector<Case>& cases,
                     std::initializer_list<std::size_t> pieces = {1, 2, 3, 5, 4096}) {
    for (const Case& c : cases)
        for (std::size_t piece : pieces)
            for (bool crlf : {false, true})
                EXPECT_EQ(escaped(filtered(c.in, EveryKernel::kernel(), crlf, piece)),
                          escaped(with_newline(c.want, crlf)))
                    << c.name << " on " << escaped(c.in) << " in reads of " << piece;
}

EVERY_KERNEL(Filter);

TEST_P(Filter, CasesOfTheCaseFile) {
    expect_filtered(cases_of("filter"));
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
