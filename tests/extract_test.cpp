#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "extract/address.h"
#include "tests/bytes.h"

namespace {

struct Case {
    std::string in;
    std::string want;
};

std::string value_of(const std::string& line) {
    std::string out(line.size(), '\0');
    out.resize(extract_value(out.data(), line));
    return out;
}

// The address lines of one logical header line, joined with LF.
std::string addresses_of(const std::string& line) {
    std::string got;
    Output out = make_output(append_to_string, &got);
    print_address(out, line);
    out_flush(out);
    return got;
}

void expect_values(const std::vector<Case>& cases) {
    for (const Case& c : cases)
        EXPECT_EQ(escaped(value_of(c.in)), escaped(c.want)) << "line " << escaped(c.in);
}

void expect_addresses(const std::vector<Case>& cases) {
    for (const Case& c : cases)
        EXPECT_EQ(escaped(addresses_of(c.in)), escaped(c.want)) << "line " << escaped(c.in);
}

TEST(ExtractValue, FieldNameStopsAtTheFirstColon) {
    expect_values({
        {"From: Ann <box1>", "Ann <box1>"},
        {"Date: 12:34", "12:34"},
        {"Subject no colon here: x", "x"},
        {": box1", "box1"},
        {"X:\t\tbox1\t", "box1\t"},
        {"\tX: box1", "X: box1"}, // a leading blank: no field name
    });
}

TEST(ExtractValue, NoValueGivesEmpty) {
    expect_values({{"", ""},
                   {"Subject no colon", ""},
                   {"X:", ""},
                   {"X:   ", ""},
                   {"X: (only comment)", ""},
                   {"\t \r", ""}});
}

TEST(ExtractValue, CommentsAreDroppedWithoutNesting) {
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

TEST(PrintAddress, WordModeSplitsOnTheSixBlanksOnly) {
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

TEST(PrintAddress, BracketModeWritesWhatIsInsideBrackets) {
    expect_addresses({
        {"From: Ann <box1>", "box1\n"},
        {"To: Ann <box1>, Bob <box2>", "box1\nbox2\n"},
        {"To: Ann <box1>, box2", "box1\n"},
        {"To: x> <box1>", "box1\n"}, // before the first "<" nothing counts
        {"X: < box1\t>", " box1\t\n"},
        {"X: (comment <box9>) <box1>", "box1\n"},
    });
}

TEST(PrintAddress, UnbalancedBrackets) {
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

TEST(PrintAddress, NothingToPrint) {
    expect_addresses(
        {{"", ""}, {"Subject no colon", ""}, {"X: (only comment)", ""}, {"X: \t ", ""}});
}

// Lines that end where their storage ends, with a "(" just past the end:
// nothing after the end may be read (AddressSanitizer would report it), nor
// taken for part of the line.
TEST(PrintAddress, NothingPastTheEndOfTheLineIsRead) {
    const std::vector<Case> cases = {
        {" ,((x", ",\n"}, {"X: <a", "a\n"},      {"X: <a(b)", "a\n"},
        {"X: a", "a\n"},  {"X: a(b)c ", "ac\n"}, {"X: <a> (", "a\n"},
    };
    for (const Case& c : cases) {
        for (std::string after : {"", "("}) {
            std::vector<char> storage(c.in.begin(), c.in.end());
            storage.insert(storage.end(), after.begin(), after.end());
            std::string got;
            Output out = make_output(append_to_string, &got);
            print_address(out, {storage.data(), c.in.size()});
            out_flush(out);
            EXPECT_EQ(escaped(got), escaped(c.want)) << "line " << escaped(c.in);
        }
    }
}

TEST(PrintAddress, LinesLongerThanTheFixedBufferComeOutWhole) {
    std::string word(200000, 'a');
    EXPECT_EQ(addresses_of("To: <" + word + ">"), word + "\n");
    EXPECT_EQ(addresses_of("To: " + word + " b"), word + "\nb\n");
    // Past the room of the output buffer: printed piece by piece.
    std::string huge(300000, 'h');
    EXPECT_EQ(addresses_of("To: <" + huge + "> (x) <b>"), huge + "\nb\n");
    EXPECT_EQ(addresses_of("To: " + huge + "(x)y  b"), huge + "y\nb\n");
}

} // namespace
