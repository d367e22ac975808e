#include "driver/input.h"

#include <cerrno>
#include <cstring>

namespace {

// Room for the longest ordinary line (65,535 bytes and a CR LF) at any
// offset, with reads of at least 64 KiB.
constexpr std::size_t input_buffer_size = 128 * 1024;

constexpr char ctrl_z = 0x1A;

// Moves the unfinished line to the front (growing the buffer if it fills it)
// and appends one read. A Ctrl-Z ends the input where it stands.
void fill(Input& in) {
    std::size_t pending = in.end - in.start;
    std::memmove(in.buf.data(), in.buf.data() + in.start, pending);
    in.start = 0;
    in.end = pending;
    if (pending == in.buf.size())
        in.buf.resize(in.buf.size() * 2);

    std::ptrdiff_t got;
    do {
        errno = 0;
        got = in.read(in.ctx, in.buf.data() + in.end, in.buf.size() - in.end);
    } while (got < 0 && errno == EINTR);
    if (got <= 0) {
        in.done = true;
        if (got < 0)
            in.error = errno ? errno : EIO;
        return;
    }
    char* fresh = in.buf.data() + in.end;
    if (const void* z = std::memchr(fresh, ctrl_z, static_cast<std::size_t>(got))) {
        got = static_cast<const char*>(z) - fresh;
        in.done = true;
    }
    in.end += static_cast<std::size_t>(got);
}

// A CR just before the LF belongs to the line end; a NUL ends the text.
std::string_view line_text(const char* p, std::size_t len, bool had_lf) {
    if (had_lf && len > 0 && p[len - 1] == '\r')
        --len;
    if (const void* nul = std::memchr(p, '\0', len))
        len = static_cast<std::size_t>(static_cast<const char*>(nul) - p);
    return {p, len};
}

} // namespace

Input make_input(ReadFn read, void* ctx) {
    Input in{read, ctx, std::vector<char>(input_buffer_size)};
    return in;
}

bool next_line(Input& in, std::string_view& line) {
    std::size_t scanned = in.start;
    for (;;) {
        const char* base = in.buf.data();
        if (const void* lf = std::memchr(base + scanned, '\n', in.end - scanned)) {
            const char* p = base + in.start;
            std::size_t len = static_cast<std::size_t>(static_cast<const char*>(lf) - p);
            in.start += len + 1;
            line = line_text(p, len, true);
            return true;
        }
        if (in.done) {
            if (in.start == in.end)
                return false;
            line = line_text(base + in.start, in.end - in.start, false);
            in.start = in.end;
            return true;
        }
        scanned = in.end - in.start; // fill() moves the pending bytes to the front
        fill(in);
    }
}
