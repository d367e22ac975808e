// Buffered output: address lines are gathered in a large buffer and handed
// to a write function in big blocks, so the per-byte path never makes a
// library call.
#pragma once

#include <cstddef>
#include <cstring>
#include <vector>

// Writes all of data; returns false on failure, with errno set.
using WriteFn = bool (*)(void* ctx, const char* data, std::size_t len);

struct Output {
    WriteFn write;
    void* ctx;
    std::vector<char> buf;
    std::size_t len = 0;
    int error = 0; // errno of the first failed write; later output is dropped
};

// The line end written after every address and usage line.
#ifdef _WIN32
constexpr char output_newline[] = "\r\n";
#else
constexpr char output_newline[] = "\n";
#endif

Output make_output(WriteFn write, void* ctx);

// Hands the buffered bytes to the write function; false once any write failed.
bool out_flush(Output& out);

void out_overflow(Output& out, const char* data, std::size_t len);

inline void out_bytes(Output& out, const char* data, std::size_t len) {
    if (len <= out.buf.size() - out.len) {
        std::memcpy(out.buf.data() + out.len, data, len);
        out.len += len;
    } else {
        out_overflow(out, data, len);
    }
}

// Room for n bytes at the end of the buffer, emptied first if need be, for
// the caller to fill and then mark used with out_used; nullptr if n is more
// than the whole buffer.
inline char* out_room(Output& out, std::size_t n) {
    if (n > out.buf.size() - out.len) {
        if (n > out.buf.size())
            return nullptr;
        out_flush(out);
    }
    return out.buf.data() + out.len;
}

inline void out_used(Output& out, const char* end) {
    out.len = static_cast<std::size_t>(end - out.buf.data());
}

inline void out_newline(Output& out) {
    out_bytes(out, output_newline, sizeof output_newline - 1);
}
