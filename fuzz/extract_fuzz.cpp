// Fuzz target: one logical header line of any bytes and any length through
// extract_value and print_address, by every kernel the CPU runs, with LF
// and with CR LF line ends. Checks what must hold whatever the rules say in
// detail (the value is never longer than the line, only its bytes are
// written, neither brackets in bracket mode nor blanks in word mode), then
// compares both results byte for byte with the model in tests/model.h, and
// finally the same line at another address into an output buffer so small
// that it is emptied before nearly every block, in the middle of fields:
// there the output must not change either.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "fuzz/check.h"
#include "tests/address.h"
#include "tests/model.h"

namespace {

bool is_line_end_byte(char c) {
    return c == '\n' || c == '\r';
}

void check_written_bytes(std::string_view value, std::string_view written, std::string_view newline,
                         std::string_view line) {
    bool in_value[256] = {};
    for (char c : value)
        in_value[static_cast<unsigned char>(c)] = true;
    const bool bracket_mode = value.find('<') != std::string_view::npos;
    for (char c : written) {
        if (is_line_end_byte(c))
            continue;
        if (!in_value[static_cast<unsigned char>(c)])
            fuzz_failure("print_address: wrote a byte that is not in the value", line);
        if (bracket_mode && (c == '<' || c == '>'))
            fuzz_failure("print_address: wrote an angle bracket in bracket mode", line);
        if (!bracket_mode && model::is_space(c))
            fuzz_failure("print_address: wrote whitespace inside a word", line);
    }
    const std::size_t tail = std::min(written.size(), newline.size());
    if (!written.empty() && written.substr(written.size() - tail) != newline)
        fuzz_failure("print_address: the last address has no line end", line);
}

} // namespace

// Every buffer is made once per input and used for every kernel: under
// AddressSanitizer each allocation costs fresh pages.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    const std::string value = model::value(line);
    const std::string want[] = {model::addresses(line, "\n"), model::addresses(line, "\r\n")};
    // The value buffer has exactly the room the line has, on the heap, so
    // that AddressSanitizer sees a single byte written past it.
    const std::unique_ptr<char[]> value_buf(new char[size]);
    // The same bytes one to fifteen bytes further on, so that a kernel
    // reading in blocks meets other alignments at both ends of the line.
    const std::size_t shift = 1 + size % 15;
    const std::unique_ptr<char[]> moved(new char[shift + size]);
    std::memcpy(moved.get() + shift, data, size);
    const std::string_view elsewhere(moved.get() + shift, size);
    // Room for every byte doubled (CR LF) and the line end: the roomy output
    // is never emptied before the end. The small one is emptied before any
    // block that finds it holding anything.
    static std::string got, got_small; // their room kept from input to input
    Output roomy = output_to(got, false, output_slack + 2 * size + 2);
    Output small = output_to(got_small, false, output_slack + size % 64);
    for (const Kernel* k : supported_kernels()) {
        const std::size_t len = extract_value(*k, value_buf.get(), line);
        if (len > size)
            fuzz_failure("extract_value: the value is longer than the line", line);
        expect_same("extract_value differs from the model", {value_buf.get(), len}, value, line);
        for (bool crlf : {false, true}) {
            const std::string_view newline = crlf ? "\r\n" : "\n";
            roomy.crlf = small.crlf = crlf;
            const std::string_view written = addresses_of(*k, roomy, got, line);
            check_written_bytes(value, written, newline, line);
            expect_same("print_address differs from the model", written, want[crlf], line);
            expect_same("print_address differs for the line at another address, emptying a "
                        "small output buffer",
                        addresses_of(*k, small, got_small, elsewhere), written, line);
        }
    }
    return 0;
}
