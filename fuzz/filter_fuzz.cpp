// Fuzz target: the whole path from input bytes to output bytes (make_input,
// filter, the kernel's printing, the output buffer), by every kernel the CPU
// runs, each twice on the same text: once handed over in as few reads as the
// program's input buffer allows, into an output with room for all of it;
// once in reads of sizes taken from the fuzz data, through an input buffer
// and an output buffer so small that a text of a few hundred bytes fills
// the one, makes it grow and shrink back, and empties the other in the middle
// of fields. The outputs must be identical, and match the model in
// tests/model.h. This is what finds a CR LF or a Ctrl-Z split across two
// reads, a line across the end of the input buffer, and words taken back
// after the output was handed over.
//
// Layout of the fuzz data: a flag byte, a room byte, the read sizes, the
// text. Flag bit 0: the read after the last byte fails; bits 1-3: the number
// of read-size bytes, less one (the sizes are used in turn, over and over);
// bits 4-7: the small input buffer's size, 64 bytes for each unit and one
// more. The room byte: the small output buffer's room beyond the least that
// it needs.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "driver/input.h"
#include "extract/output.h"
#include "fuzz/check.h"
#include "tests/fake_input.h"
#include "tests/kernels.h"
#include "tests/model.h"

namespace {

// A size byte: 0x00-0xBF read 1 to 192 bytes, 0xC0-0xFF 4 KiB to 256 KiB.
std::vector<std::size_t> read_sizes(std::string_view codes) {
    std::vector<std::size_t> sizes;
    for (const char c : codes) {
        const auto code = static_cast<unsigned char>(c);
        sizes.push_back(code < 0xC0 ? code + 1u : (code - 0xBFu) << 12);
    }
    return sizes;
}

struct Run {
    std::string output;
    int read_error;
};

// The filter from src, through an input buffer of input_cap bytes, to out,
// which collects into got. A run with the program's buffer reads into the
// one the last such run left: a fresh one costs AddressSanitizer a mapping
// of 128 KiB, most of this target's time.
Run run_filter(const Kernel& kernel, FakeInput src, std::size_t input_cap, Output& out,
               std::string& got) {
    static Input last = make_input(nullptr, nullptr);
    got.clear();
    Input in{};
    if (input_cap == input_buffer_size && last.buf && last.cap == input_buffer_size) {
        in.buf = std::move(last.buf);
        in.ordinary_cap = in.cap = input_buffer_size;
    } else {
        in = make_input(nullptr, nullptr, input_cap);
    }
    in.read = read_fake;
    in.ctx = &src;
    filter(kernel, in, out);
    out_flush(out);
    const int error = in.error;
    if (input_cap == input_buffer_size)
        last = std::move(in);
    return Run{got, error};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view fuzz(reinterpret_cast<const char*>(data), size);
    if (size < 3)
        return 0;
    const auto flags = static_cast<unsigned char>(fuzz[0]);
    const auto room = static_cast<unsigned char>(fuzz[1]);
    const bool fail_at_end = (flags & 1) != 0;
    const std::size_t size_count = ((flags >> 1) & 7) + 1u;
    const std::size_t small_input = 64 * ((flags >> 4) + 1u);
    if (size < 2 + size_count)
        return 0;
    const std::vector<std::size_t> sizes = read_sizes(fuzz.substr(2, size_count));
    const std::string_view text = fuzz.substr(2 + size_count);

    const std::string want = model::filter(text, fail_at_end);
    const bool error_expected = fail_at_end && text.find('\x1A') == std::string_view::npos;
    // An address line is never longer than its field: room for the whole
    // text and a last line end means no emptying before the end.
    std::string got;
    Output roomy = output_to(got, false, output_slack + text.size() + 2);
    Output small = output_to(got, false, output_slack + room);
    for (const Kernel* k : supported_kernels()) {
        const Run whole =
            run_filter(*k, FakeInput{text, {}, fail_at_end}, input_buffer_size, roomy, got);
        const Run pieces =
            run_filter(*k, FakeInput{text, sizes, fail_at_end}, small_input, small, got);
        expect_same("output differs when the input comes in pieces", pieces.output, whole.output,
                    fuzz);
        expect_same("output differs from the model", whole.output, want, fuzz);
        if (whole.read_error != (error_expected ? EIO : 0) || pieces.read_error != whole.read_error)
            fuzz_failure("the read failure is lost or made up", fuzz);
    }
    return 0;
}
