// Input: reads standard input in large blocks and hands it on as whole
// header fields, the way a text-mode stream would deliver their lines.
#pragma once

#include <cstddef>
#include <memory>

#include "extract/kernel/kernel.h"
#include "extract/output.h"

// Reads up to cap bytes into buf; returns the count, 0 at end of input, or
// -1 on failure with errno set.
using ReadFn = std::ptrdiff_t (*)(void* ctx, char* buf, std::size_t cap);

// The input buffer's memory: a heap block, or on Windows, for a long field,
// address space reserved (reserved bytes of it) and committed as it grows.
struct FreeInput {
    std::size_t reserved = 0;
    void operator()(char* p) const;
};

struct Input {
    ReadFn read;
    void* ctx;
    std::unique_ptr<char[], FreeInput> buf; // grows only for a field longer than it
    std::size_t ordinary_cap;               // its size at first and after such a field
    std::size_t cap = 0;
    std::size_t end = 0;    // one past the last byte kept
    std::size_t whole = 0;  // the bytes before here are whole fields
    std::size_t judged = 0; // the LFs before here were found to continue a field
    bool cutting = false;   // after a NUL: the rest of the line is not kept
    bool done = false;      // no more reads: end of input, a Ctrl-Z, or a failure
    int error = 0;          // errno of a failed read or allocation
};

// The ordinary size of the buffer, and of the reads into it.
constexpr std::size_t input_buffer_size = 128 * 1024;

// An input with a buffer of capacity bytes (the tests take small ones, to
// reach its end and its growth with short texts).
Input make_input(ReadFn read, void* ctx, std::size_t capacity = input_buffer_size);

// Runs the filter: every whole field of the input to out, by kernel, until
// the input is used up or a write fails. After a failure to read (or to find
// memory for a long field) the field still open is dropped.
void filter(const Kernel& kernel, Input& in, Output& out);
