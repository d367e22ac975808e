// Fuzz target: fieldgrep's NAME list and its whole input path (the reads,
// the scan, the output buffer), by every kernel the CPU runs, against the
// model in tests/fieldgrep_model.h.
// The list must be accepted or refused as the model says; an accepted one
// selects from the text twice, once handed over in one read and once in
// reads of sizes taken from the fuzz data, through a read buffer and an
// output buffer as small. Both outputs must be the model's. This is what
// finds a CR LF, a From_ line or a field name split across two reads.
//
// Layout of the fuzz data: a byte n, then the NAME list in n % 32 bytes; a
// flag byte (bit 0: standard input, read to its end; bits 1-2: the number of
// read-size bytes, less one; bits 3-7: the output buffer's size less one);
// the read-size bytes, each 1 to 256 bytes, used in turn; the text.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/check.h"
#include "select/input.h"
#include "tests/fieldgrep_model.h"
#include "tests/kernels.h"

namespace {

// The read sizes of the fuzz data: each byte one to 256 bytes.
std::vector<std::size_t> read_sizes(std::string_view bytes) {
    std::vector<std::size_t> sizes;
    for (char b : bytes)
        sizes.push_back(static_cast<unsigned char>(b) + 1u);
    return sizes;
}

std::string select_from(const Names& names, const Kernel& kernel, FakeInput src, bool to_end,
                        std::size_t read_size, std::size_t output_size) {
    std::string got;
    SelectBuffer buffer = make_select_buffer(names, read_size);
    Output out = output_to(got, false, output_size);
    select_fields(names, kernel, read_fake, &src, to_end, buffer, out);
    out_flush(out);
    return got;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view fuzz(reinterpret_cast<const char*>(data), size);
    if (size < 1)
        return 0;
    const std::size_t list_size = static_cast<unsigned char>(fuzz[0]) % 32u;
    if (size < 1 + list_size + 1)
        return 0;
    const std::string_view list = fuzz.substr(1, list_size);
    const auto flags = static_cast<unsigned char>(fuzz[1 + list_size]);
    const bool to_end = (flags & 1) != 0;
    const std::size_t size_count = ((flags >> 1) & 3) + 1u;
    const std::size_t output_size = (flags >> 3) + 1u;
    if (size < 2 + list_size + size_count)
        return 0;
    const std::string_view sizes = fuzz.substr(2 + list_size, size_count);
    const std::string_view text = fuzz.substr(2 + list_size + size_count);

    const auto model_names = grep_model::names(list);
    Names names;
    if (parse_names(list, names) != model_names.has_value())
        fuzz_failure("the NAME list is taken or refused unlike the model", fuzz);
    if (!model_names)
        return 0;
    const std::string want = grep_model::select(*model_names, text);
    for (const Kernel* k : supported_kernels()) {
        expect_same(
            "output in one read differs from the model",
            select_from(names, *k, FakeInput{text}, to_end, text.size() + 1, want.size() + 1), want,
            fuzz);
        expect_same("output in pieces differs from the model",
                    select_from(names, *k, FakeInput{text, read_sizes(sizes)}, to_end,
                                static_cast<unsigned char>(sizes[0]) % 64u + 1u, output_size),
                    want, fuzz);
    }
    return 0;
}
