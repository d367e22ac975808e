// Line input: splits a byte stream into lines the way a text-mode stream
// would hand them over, from whatever the read function delivers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

// Reads up to cap bytes into buf; returns the count, 0 at end of input, or
// -1 on failure with errno set.
using ReadFn = std::ptrdiff_t (*)(void* ctx, char* buf, std::size_t cap);

struct Input {
    ReadFn read;
    void* ctx;
    std::vector<char> buf; // grows only for a line longer than it
    std::size_t start = 0; // first byte not yet handed out
    std::size_t end = 0;   // one past the last byte read
    std::size_t nul = 0;   // from start up to here no NUL (one may stand at nul itself)
    // The LFs not yet handed out, one bit per byte from lfs_at; those up to
    // scanned have been looked for.
    std::uint64_t lfs = 0;
    std::size_t lfs_at = 0;
    std::size_t scanned = 0;
    bool done = false; // no more reads: end of input, a Ctrl-Z, or a failure
    int error = 0;     // errno of a failed read
};

Input make_input(ReadFn read, void* ctx);

// Sets line to the next line, without its line end and cut at a NUL, and
// returns true; false once the input is used up. The line stays valid until
// the next call.
bool next_line(Input& in, std::string_view& line);

// The first byte of the next line if it is already in the buffer, else -1
// (more must be read first, or the input is used up). Lets the caller see
// whether a line is continued while that line is still valid.
int peek_next_byte(const Input& in);
