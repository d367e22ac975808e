// Fuzz target: one logical header line of any bytes and any length through
// extract_value and print_address, by every kernel the CPU runs, with LF
// and with CR LF line ends. Checks what must hold whatever the rules say in
// detail (the value is never longer than the line, only its bytes are
// written, neither brackets in bracket mode nor blanks in word mode), then
// compares both results byte for byte with the model in tests/model.h, and
// finally the same line at another address, where the output must not change.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "extract/address.h"
#include "fuzz/check.h"
#include "tests/model.h"

namespace {

// The value buffer has exactly the room the line has, on the heap, so that
// AddressSanitizer sees a single byte written past it.
std::string value_of(const Kernel& k, std::string_view line) {
    std::unique_ptr<char[]> buf(new char[line.size()]);
    std::size_t len = extract_value(k, buf.get(), line);
    if (len > line.size())
        fuzz_failure("extract_value: the value is longer than the line", line);
    return std::string(buf.get(), len);
}

// What print_address writes through out, which collects into got.
std::string addresses_of(Output& out, std::string& got, std::string_view line) {
    got.clear();
    print_address(out, line);
    out_flush(out);
    return got;
}

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

// The same bytes one to fifteen bytes further on, so that a kernel reading
// in blocks meets other alignments at both ends of the line.
std::string addresses_elsewhere(Output& out, std::string& got, std::string_view line) {
    std::size_t shift = 1 + line.size() % 15;
    std::unique_ptr<char[]> copy(new char[shift + line.size()]);
    std::memcpy(copy.get() + shift, line.data(), line.size());
    return addresses_of(out, got, std::string_view(copy.get() + shift, line.size()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    const std::string value = model::value(line);
    for (const Kernel* k : supported_kernels()) {
        expect_same("extract_value differs from the model", value_of(*k, line), value, line);
        for (bool crlf : {false, true}) {
            const std::string_view newline = crlf ? "\r\n" : "\n";
            std::string got;
            Output out = output_to(got, *k, crlf);
            const std::string written = addresses_of(out, got, line);
            check_written_bytes(value, written, newline, line);
            expect_same("print_address differs from the model", written,
                        model::addresses(line, newline), line);
            expect_same("print_address differs for the line at another address",
                        addresses_elsewhere(out, got, line), written, line);
        }
    }
    return 0;
}
