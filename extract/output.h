// Buffered output, of both programs: what they write is gathered in a large
// buffer and handed to a write function in big blocks, so the per-byte path
// never makes a library call.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <memory>

// Writes all of data; returns false on failure, with errno set.
using WriteFn = bool (*)(void* ctx, const char* data, std::size_t len);

struct FreeBytes {
    void operator()(char* p) const { std::free(p); }
};
using Bytes = std::unique_ptr<char[], FreeBytes>;

struct Output {
    WriteFn write;
    void* ctx;
    bool crlf; // line ends are CR LF, else LF
    Bytes buf;
    std::size_t cap = 0;
    std::size_t len = 0;
    int error = 0; // errno of the first failed write; later output is dropped
};

// Room the kernels keep free at the end of the buffer: a block of 64 bytes
// becomes at most 128, stored as whole vectors.
constexpr std::size_t output_slack = 256;

// Large enough that a write hands over many lines at once; small enough to
// stay in the cache.
constexpr std::size_t output_buffer_size = 256 * 1024;

// An output with the platform's line end and a buffer of capacity bytes (the
// tests take small ones, to empty it often). If the buffer cannot be had,
// error is ENOMEM and nothing is ever written.
Output make_output(WriteFn write, void* ctx, std::size_t capacity = output_buffer_size);

// Hands the buffered bytes to the write function; false once any write failed.
bool out_flush(Output& out);

void out_bytes(Output& out, const char* data, std::size_t len);

// Hands what is gathered, then data, to the write function: for a piece too
// large to be worth a copy into the buffer.
void out_direct(Output& out, const char* data, std::size_t len);

inline void out_newline(Output& out) {
    out_bytes(out, &"\r\n"[out.crlf ? 0 : 1], out.crlf ? 2 : 1);
}
