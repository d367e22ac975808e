#include "extract/output.h"

#include <cerrno>

Output make_output(WriteFn write, void* ctx, std::size_t capacity) {
#ifdef _WIN32
    constexpr bool crlf = true;
#else
    constexpr bool crlf = false;
#endif
    Output out{write, ctx, crlf, Bytes(static_cast<char*>(std::malloc(capacity)))};
    if (out.buf)
        out.cap = capacity;
    else
        out.error = ENOMEM;
    return out;
}

bool out_flush(Output& out) {
    if (out.len > 0 && out.error == 0 && !out.write(out.ctx, out.buf.get(), out.len))
        out.error = errno ? errno : EIO;
    out.len = 0;
    return out.error == 0;
}

// Small pieces are gathered; a piece larger than the buffer goes straight
// through.
void out_bytes(Output& out, const char* data, std::size_t len) {
    if (len > out.cap - out.len)
        out_flush(out);
    if (len <= out.cap - out.len) {
        std::memcpy(out.buf.get() + out.len, data, len);
        out.len += len;
    } else {
        out_direct(out, data, len);
    }
}

void out_direct(Output& out, const char* data, std::size_t len) {
    if (out_flush(out) && !out.write(out.ctx, data, len))
        out.error = errno ? errno : EIO;
}
