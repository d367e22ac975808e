// Text held in memory, handed to the filter as read(2) hands over a file:
// the one fake input of the unit tests, the fuzz targets and the benchmark.
#pragma once

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <string_view>
#include <vector>

// The text copies times over (a read stays within one copy), in reads of
// the sizes given, in turn, or of all the room there is if none are; then
// the end, or a read that fails with EIO if fail_at_end.
struct FakeInput {
    std::string_view text;
    std::vector<std::size_t> sizes = {};
    bool fail_at_end = false;
    std::size_t copies = 1;
    std::size_t at = 0, reads = 0;
};

// A ReadFn (driver/streams.h) over a FakeInput.
inline std::ptrdiff_t read_fake(void* ctx, char* buf, std::size_t cap) {
    FakeInput& in = *static_cast<FakeInput*>(ctx);
    if (in.at == in.text.size() && in.copies > 1) {
        --in.copies;
        in.at = 0;
    }
    if (in.at == in.text.size() && in.fail_at_end) {
        errno = EIO;
        return -1;
    }
    std::size_t n = std::min(cap, in.text.size() - in.at);
    if (!in.sizes.empty())
        n = std::min(n, in.sizes[in.reads++ % in.sizes.size()]);
    std::memcpy(buf, in.text.data() + in.at, n);
    in.at += n;
    return static_cast<std::ptrdiff_t>(n);
}
