#include "driver/streams.h"

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

} // namespace

void binary_std_streams() {
#ifdef _WIN32
    _setmode(0, _O_BINARY);
    _setmode(1, _O_BINARY);
#endif
}

std::ptrdiff_t read_once(ReadFn read, void* ctx, char* buf, std::size_t cap, int& error) {
    std::ptrdiff_t got;
    do {
        errno = 0;
        got = read(ctx, buf, cap);
    } while (got < 0 && errno == EINTR);
    if (got < 0)
        error = errno ? errno : EIO;
    return got;
}

std::ptrdiff_t read_fd(void* ctx, char* buf, std::size_t cap) {
    const int fd = *static_cast<const int*>(ctx);
#ifdef _WIN32
    return _read(fd, buf, static_cast<unsigned>(cap > 1u << 30 ? 1u << 30 : cap));
#else
    return read(fd, buf, cap);
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

void report(const char* what, int error, const char* program) {
    if (program)
        std::fprintf(stderr, "%s: %s: %s\n", program, what, std::strerror(error));
    else
        std::fprintf(stderr, "%s: %s\n", what, std::strerror(error));
}

bool reader_gone(int error) {
#ifdef _WIN32
    return error == EPIPE;
#else
    (void)error;
    return false;
#endif
}
