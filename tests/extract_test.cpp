// One logical header line's value and addresses, by every kernel.
#include <string>
#include <vector>

#include "tests/address.h"
#include "tests/bytes.h"
#include "tests/every_kernel.h"
#include "tests/model.h"

namespace {

// The address lines of one logical header line, with LF or CR LF line ends.
std::string addresses_of(const Kernel& k, bool crlf, std::string_view line) {
    std::string got;
    Output out = output_to(got, crlf);
    return std::string(addresses_of(k, out, got, line));
}

void expect_values(const std::vector<Case>& cases) {
    for (const Case& c : cases)
        EXPECT_EQ(escaped(value_of(EveryKernel::kernel(), c.in)), escaped(c.want))
            << "on " << escaped(c.in);
}

// Each case with either line end.
void expect_addresses(const std::vector<Case>& cases) {
    for (bool crlf : {false, true})
        for (const Case& c : cases)
            EXPECT_EQ(escaped(addresses_of(EveryKernel::kernel(), crlf, c.in)),
                      escaped(with_newline(c.want, crlf)))
                << (crlf ? "CR LF" : "LF") << " on " << escaped(c.in);
}

EVERY_KERNEL(ExtractValue);
EVERY_KERNEL(PrintAddress);

TEST_P(ExtractValue, FieldNameStopsAtTheFirstColon) {
    expect_values({
        {"From: Ann <box1>", "Ann <box1>"},
        {"Date: 12:34", "12:34"},
        {"Subject no colon here: x", "x"},
        {": box1", "box1"},
        {"X:\t\tbox1\t", "box1\t"},
        {"\tX: box1", "X: box1"}, // a leading blank: no field name
    });
}

TEST_P(ExtractValue, NoValueGivesEmpty) {
    expect_values({{"", ""},
                   {"Subject no colon", ""},
                   {"X:", ""},
                   {"X:   ", ""},
                   {"X: (only comment)", ""},
                   {"\t \r", ""}});
}

TEST_P(ExtractValue, CommentsAreDroppedWithoutNesting) {
    expect_values({
        {"To: box1 (Ann), box2 (Bob)", "box1 , box2 "},
        {"X: (comment <box9>) <box1>", " <box1>"},
        {"X: ((nested) box3) box4", " box3 box4"},
        {"X: )box1(", "box1"},
        {"X: box1 (open", "box1 "},
        {"X: \"Ann (A)\" <box1>", "\"Ann \" <box1>"},
        {"X: Ann \\(x\\) <box1>", "Ann \\ <box1>"},
        {"X: a(b)c(d)e)f", "acef"},
    });
}

TEST_P(PrintAddress, WordModeSplitsOnTheSixBlanksOnly) {
    expect_addresses({
        {"To: box1, box2", "box1,\nbox2\n"},
        {"To: box1 (Ann), box2 (Bob)", "box1\n,\nbox2\n"},
        {"X: box1>", "box1>\n"},
        {"Date: 12:34", "12:34\n"},
        {"X: box1\r", "box1\n"},
        {"X: a\tb\vc\fd\ne", "a\nb\nc\nd\ne\n"},
        {": box1", "box1\n"},
        {"\tX: box1", "X:\nbox1\n"},
        {"X: ab\xE9 cd\xA0"
         "e",
         "ab\xE9\ncd\xA0"
         "e\n"},
        {"X: undisclosed-recipients:;", "undisclosed-recipients:;\n"},
    });
}

TEST_P(PrintAddress, BracketModeWritesWhatIsInsideBrackets) {
    expect_addresses({
        {"From: Ann <box1>", "box1\n"},
        {"To: Ann <box1>, Bob <box2>", "box1\nbox2\n"},
        {"To: Ann <box1>, box2", "box1\n"},
        {"To: x> <box1>", "box1\n"}, // before the first "<" nothing counts
        {"X: < box1\t>", " box1\t\n"},
        {"X: (comment <box9>) <box1>", "box1\n"},
    });
}

TEST_P(PrintAddress, UnbalancedBrackets) {
    expect_addresses({
        {"X: <box1", "box1\n"},
        {"X: <box1>>", "box1\n\n"},
        {"X: <a<b>", "ab\n"},
        {"X: <>", "\n"},
        {"X: a>b<c>d", "c\n"},
        {"X: <a>b<c", "a\nc\n"},
        {"X: <", "\n"},
    });
}

TEST_P(PrintAddress, NothingToPrint) {
    expect_addresses(
        {{"", ""}, {"Subject no colon", ""}, {"X: (only comment)", ""}, {"X: \t ", ""}});
}

// Lines that end where their storage ends, with a "(" just past the end:
// nothing after the end may be read (AddressSanitizer would report it), nor
// taken for part of the line.
TEST_P(PrintAddress, NothingPastTheEndOfTheLineIsRead) {
    const std::vector<Case> cases = {
        {" ,((x", ",\n"}, {"X: <a", "a\n"},      {"X: <a(b)", "a\n"},
        {"X: a", "a\n"},  {"X: a(b)c ", "ac\n"}, {"X: <a> (", "a\n"},
    };
    for (const Case& c : cases)
        for (std::string after : {"", "("}) {
            std::vector<char> storage(c.in.begin(), c.in.end());
            storage.insert(storage.end(), after.begin(), after.end());
            EXPECT_EQ(escaped(addresses_of(kernel(), false, {storage.data(), c.in.size()})),
                      escaped(c.want))
                << "on " << escaped(c.in);
        }
}

// Past the room of the output buffer, which is emptied in the middle of the
// value: a value that looks like words until a late "<" must still write only
// what is in brackets.
TEST_P(PrintAddress, LinesLongerThanTheOutputBufferComeOutWhole) {
    const std::string word(200000, 'a');
    const std::string huge(300000, 'h');
    std::string many_words;
    for (int i = 0; i < 40000; ++i)
        many_words += "w" + std::to_string(i) + " ";
    expect_addresses({
        {"To: <" + word + ">", word + "\n"},
        {"To: " + word + " b", word + "\nb\n"},
        {"To: <" + huge + "> (x) <b>", huge + "\nb\n"},
        {"To: " + huge + "(x)y  b", huge + "y\nb\n"},
        {"To: " + many_words + "<x>", "x\n"},
        {"To: " + many_words + "(<x>) " + huge, model::words(many_words + huge, "\n")},
        {"To: " + huge + " " + many_words + "<x> y", "x\n"},
    });
}

} // namespace
