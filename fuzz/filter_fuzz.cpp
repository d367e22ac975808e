// Fuzz target: the whole path from input bytes to output bytes (make_input,
// filter, the kernel's printing, the output buffer), by every kernel the CPU
// runs, each twice on the same text: once handed over in as few reads as the
// input buffer allows, once in reads of sizes taken from the fuzz data. The
// outputs must be identical, and match the model in tests/model.h. This is
// what finds a CR LF or a Ctrl-Z split across two reads, and a line across
// the end of the input buffer.
//
// Layout of the fuzz data: a flag byte, an offset byte, the read sizes, the
// text. Flag bit 0: the read after the last byte fails; bits 1-3: the number
// of read-size bytes, less one (the sizes are used in turn, over and over);
// bits 4-7: 13, 14 or 15 stretch the text past one of the marks (see
// stretched), anything else leaves it as it is. Stretching is kept rare
// because a long input runs some ten times slower than a short one.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "driver/input.h"
#include "extract/output.h"
#include "fuzz/check.h"
#include "tests/model.h"

namespace {

struct Source {
    std::string_view text;
    std::string_view read_sizes; // empty: every read as large as the room given
    std::size_t least_read;      // keeps the number of reads of a long text bounded
    bool fail_at_end;
    std::size_t pos = 0;
    std::size_t reads = 0;
};

// A size byte: 0x00-0xBF read 1 to 192 bytes, 0xC0-0xFF 4 KiB to 256 KiB.
std::size_t read_size(unsigned char code) {
    return code < 0xC0 ? code + 1u : (code - 0xBFu) << 12;
}

std::ptrdiff_t read_source(void* ctx, char* buf, std::size_t cap) {
    Source& src = *static_cast<Source*>(ctx);
    std::size_t left = src.text.size() - src.pos;
    if (left == 0 && src.fail_at_end) {
        errno = EIO;
        return -1;
    }
    std::size_t n = left;
    if (!src.read_sizes.empty()) {
        auto code = static_cast<unsigned char>(src.read_sizes[src.reads % src.read_sizes.size()]);
        n = std::max(read_size(code), src.least_read);
    }
    ++src.reads;
    n = std::min({n, cap, left});
    std::memcpy(buf, src.text.data() + src.pos, n);
    src.pos += n;
    return static_cast<std::ptrdiff_t>(n);
}

struct Run {
    std::string output;
    int read_error;
};

// The filter from src to out, which collects into got.
Run run_filter(Source src, Output& out, std::string& got) {
    got.clear();
    Input in = make_input(read_source, &src);
    filter(in, out);
    out_flush(out);
    return Run{got, in.error};
}

// Marks worth crossing: the 64 KiB that the longest ordinary line fills, the
// 128 KiB input buffer, and the buffer grown once and twice (by half each
// time).
constexpr std::size_t marks[] = {64 * 1024, 128 * 1024, 192 * 1024};

// The text led in by copies of itself, so that it starts from 1 to 256 bytes
// before the mark: with offset byte k, its byte 256 - k sits on the mark. The
// copies stop short of the text's first Ctrl-Z, which would end the input
// there. A text without LF makes one long line, a text with LFs many lines.
std::string stretched(std::string_view text, std::size_t mark, unsigned char offset) {
    const std::string_view unit = text.substr(0, text.find('\x1A'));
    if (unit.empty())
        return std::string(text);
    const std::size_t lead = mark - 256 + offset;
    std::string all;
    all.reserve(lead + text.size());
    while (all.size() + unit.size() <= lead)
        all += unit;
    all.append(unit.substr(0, lead - all.size()));
    all += text;
    return all;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view fuzz(reinterpret_cast<const char*>(data), size);
    if (size < 3)
        return 0;
    const auto flags = static_cast<unsigned char>(fuzz[0]);
    const auto offset = static_cast<unsigned char>(fuzz[1]);
    const bool fail_at_end = (flags & 1) != 0;
    const std::size_t size_count = ((flags >> 1) & 7) + 1u;
    const unsigned stretch = flags >> 4;
    if (size < 2 + size_count)
        return 0;
    const std::string_view sizes = fuzz.substr(2, size_count);
    std::string_view text = fuzz.substr(2 + size_count);
    std::string long_text;
    if (stretch >= 13) {
        long_text = stretched(text, marks[stretch - 13], offset);
        text = long_text;
    }

    const std::string want = model::filter(text, fail_at_end);
    const bool error_expected = fail_at_end && text.find('\x1A') == std::string_view::npos;
    for (const Kernel* k : supported_kernels()) {
        std::string got;
        Output out = output_to(got, *k, false);
        const Run whole = run_filter(Source{text, {}, 0, fail_at_end}, out, got);
        const Run pieces =
            run_filter(Source{text, sizes, text.size() / 256, fail_at_end}, out, got);
        expect_same("output differs when the input comes in pieces", pieces.output, whole.output,
                    fuzz);
        expect_same("output differs from the model", whole.output, want, fuzz);
        if (whole.read_error != (error_expected ? EIO : 0) || pieces.read_error != whole.read_error)
            fuzz_failure("the read failure is lost or made up", fuzz);
    }
    return 0;
}
