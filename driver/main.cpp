// fieldpick: writes the mail addresses in RFC 822 header lines, one per line.
#include <cerrno>
#include <cstdio>
#include <cstring>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "driver/input.h"
#include "extract/output.h"

namespace {

#ifdef _WIN32
// The C library's number for what a write to standard output can meet.
int errno_of(DWORD os_error) {
    switch (os_error) {
    case ERROR_BROKEN_PIPE:
    case ERROR_NO_DATA:
    case ERROR_PIPE_NOT_CONNECTED:
        return EPIPE;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_INVALID_HANDLE:
    case ERROR_ACCESS_DENIED:
        return EBADF;
    default:
        return EIO;
    }
}

// Standard output goes straight to its handle: msvcrt's _write reports a
// closed pipe as EINVAL (Wine's even a write the pipe took only in part, with
// no Windows error code left), so a reader that went away would look like a
// real error.
std::ptrdiff_t write_handle(const char* data, std::size_t len) {
    DWORD written = 0;
    if (!WriteFile(reinterpret_cast<HANDLE>(_get_osfhandle(1)), data,
                   static_cast<DWORD>(len > 1u << 30 ? 1u << 30 : len), &written, nullptr)) {
        errno = errno_of(GetLastError());
        return -1;
    }
    if (written == 0)
        errno = ENOSPC;
    return static_cast<std::ptrdiff_t>(written);
}
#endif

std::ptrdiff_t read_stdin(void*, char* buf, std::size_t cap) {
#ifdef _WIN32
    return _read(0, buf, static_cast<unsigned>(cap > 1u << 30 ? 1u << 30 : cap));
#else
    return read(0, buf, cap);
#endif
}

bool write_stdout(void*, const char* data, std::size_t len) {
    while (len > 0) {
#ifdef _WIN32
        std::ptrdiff_t n = write_handle(data, len);
#else
        ssize_t n = write(1, data, len);
#endif
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        len -= static_cast<std::size_t>(n);
    }
    return true;
}

void usage(Output& out) {
    static const char text[] = "fieldpick: fieldpick only from RFC822 header, Ver 0.1";
    static const char line2[] = "usage: grep \"Hoge:\" <input|fieldpick >output";
    out_bytes(out, text, sizeof text - 1);
    out_newline(out);
    out_bytes(out, line2, sizeof line2 - 1);
    out_newline(out);
}

// One line on standard error, like perror: "stdin: Is a directory".
void report(const char* stream, int error) {
    std::fprintf(stderr, "%s: %s\n", stream, std::strerror(error));
}

// Windows has no SIGPIPE: when the reader goes away, end as quietly as the
// signal ends a filter elsewhere.
bool reader_gone(int error) {
#ifdef _WIN32
    return error == EPIPE;
#else
    (void)error;
    return false;
#endif
}

} // namespace

int main(int argc, char**) {
#ifdef _WIN32
    // The line ends are handled here, byte for byte, as text mode would.
    _setmode(0, _O_BINARY);
    _setmode(1, _O_BINARY);
#endif
    Output out = make_output(write_stdout, nullptr);
    if (!out.buf) {
        report("fieldpick", out.error);
        return 2;
    }
    int status = 0;
    if (argc != 1) {
        usage(out);
        status = 2;
    } else {
        const Kernel& kernel = chosen_kernel();
        if (!kernel.supported()) { // only a build pinned to one kernel
            std::fprintf(
                stderr, "fieldpick: built for CPUs with %s (the %s kernel), which this one lacks\n",
                kernel.needs, kernel.name);
            return 2;
        }
        Input in = make_input(read_stdin, nullptr);
        filter(kernel, in, out);
        if (in.error != 0 && out.error == 0) {
            out_flush(out); // what was written before the failure stays written
            report("stdin", in.error);
            status = 2;
        }
    }
    if (!out_flush(out)) {
        if (!reader_gone(out.error))
            report("stdout", out.error);
        status = 2;
    }
    return status;
}
