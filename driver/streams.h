// The process's standard streams, as both programs use them: raw bytes in
// and out on every platform, writes that report a reader gone as EPIPE, and
// diagnostics in the style of perror.
#pragma once

#include <cstddef>

// On Windows, standard input and output carry bytes as they stand: the
// programs handle line ends themselves.
void binary_std_streams();

// Reads up to cap bytes into buf; returns the count, 0 at end of input, or
// -1 on failure with errno set.
using ReadFn = std::ptrdiff_t (*)(void* ctx, char* buf, std::size_t cap);

// One read through read, made again when a signal interrupted it; on
// failure -1, with error set (EIO if the read left no errno).
std::ptrdiff_t read_once(ReadFn read, void* ctx, char* buf, std::size_t cap, int& error);

// The ReadFn of a file descriptor: ctx points to it (an int).
std::ptrdiff_t read_fd(void* ctx, char* buf, std::size_t cap);

// Writes all of data to standard output; false on failure, with errno set.
bool write_stdout(void* ctx, const char* data, std::size_t len);

// One line on standard error: "what: <reason>", or "program: what: <reason>".
void report(const char* what, int error, const char* program = nullptr);

// Whether a write failed because its reader went away. Elsewhere SIGPIPE has
// ended the run before the failure could be seen; Windows has no such signal,
// so the run ends as quietly.
bool reader_gone(int error);
