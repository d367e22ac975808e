#include "driver/unfold.h"

#include <cstring>
#include <vector>

#include "extract/address.h"

namespace {

// The logical header line still open: a fixed buffer, grown only for a field
// longer than it, so the per-line path never allocates.
struct Header {
    std::vector<char> buf;
    std::size_t len = 0;
};

void append(Header& h, std::string_view line) {
    if (line.size() > h.buf.size() - h.len)
        h.buf.resize(h.len + line.size());
    std::memcpy(h.buf.data() + h.len, line.data(), line.size());
    h.len += line.size();
}

std::string_view text(const Header& h) {
    return {h.buf.data(), h.len};
}

bool is_continuation(std::string_view line) {
    return !line.empty() && is_space(static_cast<unsigned char>(line[0]));
}

// True when the next line is known, from its first byte, to start a new field
// (a NUL first makes an empty line, which starts one too).
bool next_starts_field(const Input& in) {
    int next = peek_next_byte(in);
    return next >= 0 && !is_space(static_cast<unsigned char>(next));
}

} // namespace

void unfold_headers(Input& in, Output& out) {
    Header header{std::vector<char>(65536)};
    std::string_view line;
    while (next_line(in, line)) {
        if (is_continuation(line)) {
            append(header, line);
            continue;
        }
        if (header.len > 0) {
            print_address(out, text(header));
            header.len = 0;
        }
        // Most fields are one line: print it where it lies, uncopied.
        if (next_starts_field(in))
            print_address(out, line);
        else
            append(header, line);
        if (out.error) // nothing more can be written: stop reading
            return;
    }
    if (in.error == 0)
        print_address(out, text(header));
}
