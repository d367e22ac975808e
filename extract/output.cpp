#include "extract/output.h"

#include <cerrno>

namespace {
// Room for the address lines of the longest ordinary field (64 KiB, each
// byte possibly a two-byte line end) in one piece.
constexpr std::size_t output_buffer_size = 256 * 1024;
} // namespace

Output make_output(WriteFn write, void* ctx) {
    Output out{write, ctx, std::vector<char>(output_buffer_size)};
    return out;
}

bool out_flush(Output& out) {
    if (out.len > 0 && out.error == 0 && !out.write(out.ctx, out.buf.data(), out.len))
        out.error = errno ? errno : EIO;
    out.len = 0;
    return out.error == 0;
}

// The buffer is full: empty it, then keep small pieces for the next block and
// send a piece larger than the buffer straight through.
void out_overflow(Output& out, const char* data, std::size_t len) {
    out_flush(out);
    if (len < out.buf.size()) {
        std::memcpy(out.buf.data(), data, len);
        out.len = len;
    } else if (out.error == 0 && !out.write(out.ctx, data, len)) {
        out.error = errno ? errno : EIO;
    }
}
