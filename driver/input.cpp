#include "driver/input.h"

#include <cerrno>
#include <cstring>

#include "extract/scan.h"

namespace {

// Room for the longest ordinary line (65,535 bytes and a CR LF) at any
// offset, with reads of at least 64 KiB.
constexpr std::size_t input_buffer_size = 128 * 1024;

constexpr char ctrl_z = 0x1A;

// Moves the unfinished line to the front (growing the buffer if it fills it)
// and appends one read. A Ctrl-Z ends the input where it stands.
// Kept out of line: it runs once a read, next_line once a line.
[[gnu::noinline]] void fill(Input& in) {
    std::size_t pending = in.end - in.start;
    if (in.start > 0) { // a long line is moved once, not at every read
        std::memmove(in.buf.data(), in.buf.data() + in.start, pending);
        in.nul = in.nul > in.start ? in.nul - in.start : 0;
        in.start = 0;
    }
    in.scanned = pending; // only called once every byte read was looked at
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

// Returns the line of len bytes that starts at in.start, and moves in.start
// past it and its line end (skip bytes). A CR just before the LF belongs to
// the line end; a NUL ends the text.
inline std::string_view take_line(Input& in, std::size_t len, std::size_t skip) {
    const char* p = in.buf.data() + in.start;
    if (in.start + len > in.nul) {
        // NULs are rare: one search from here finds the next, and the lines
        // before it need no search of their own.
        const void* nul = std::memchr(p, '\0', in.end - in.start);
        in.nul =
            nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - in.buf.data()) : in.end;
    }
    in.start += len + skip;
    if (skip > 0 && len > 0 && p[len - 1] == '\r')
        --len;
    const char* text_end = in.buf.data() + in.nul;
    if (p + len > text_end)
        len = static_cast<std::size_t>(text_end - p);
    return {p, len};
}

} // namespace

Input make_input(ReadFn read, void* ctx) {
    Input in{read, ctx, std::vector<char>(input_buffer_size)};
    return in;
}

// Looks for LFs in the next 64 bytes read (or fewer at the end of what was
// read); false if there are none left to look at.
inline bool scan_ahead(Input& in) {
    std::size_t n = in.end - in.scanned;
    if (n == 0)
        return false;
    n = n < 64 ? n : 64;
    in.lfs_at = in.scanned;
    in.lfs = scan::lf_bits(in.buf.data() + in.scanned, n);
    in.scanned += n;
    return true;
}

bool next_line(Input& in, std::string_view& line) {
    // Every line end is a bit of in.lfs: no search of its own per line.
    while (in.lfs == 0) {
        if (scan_ahead(in))
            continue;
        if (in.done) {
            if (in.start == in.end)
                return false;
            line = take_line(in, in.end - in.start, 0);
            return true;
        }
        fill(in);
    }
    std::size_t lf = in.lfs_at + static_cast<std::size_t>(__builtin_ctzll(in.lfs));
    in.lfs &= in.lfs - 1;
    line = take_line(in, lf - in.start, 1);
    return true;
}

int peek_next_byte(const Input& in) {
    return in.start < in.end ? static_cast<unsigned char>(in.buf[in.start]) : -1;
}
