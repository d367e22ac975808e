// One logical header line's value and addresses, by every kernel.
#include <string>
#include <vector>

#include "tests/address.h"
#include "tests/capture.h"
#include "tests/cases.h"
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
            << c.name << " on " << escaped(c.in);
}

// Each case with either line end.
void expect_addresses(const std::vector<Case>& cases) {
    for (bool crlf : {false, true})
        for (const Case& c : cases)
            EXPECT_EQ(escaped(addresses_of(EveryKernel::kernel(), crlf, c.in)),
                      escaped(with_newline(c.want, crlf)))
                << c.name << (crlf ? " CR LF" : " LF") << " on " << escaped(c.in);
}

EVERY_KERNEL(ExtractValue);
EVERY_KERNEL(PrintAddress);

TEST_P(ExtractValue, CasesOfTheCaseFile) {
    expect_values(cases_of("value"));
}

TEST_P(PrintAddress, CasesOfTheCaseFile) {
    expect_addresses(cases_of("addresses"));
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
