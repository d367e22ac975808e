#include "select/input.h"

#include <cstring>

#include "select/scan.h"

SelectBuffer make_select_buffer(const Names& names, std::size_t read_size) {
    const std::size_t cap = read_size + scan_lookahead(names);
    SelectBuffer b{Bytes(static_cast<char*>(std::malloc(cap))), 0,
                   Bytes(static_cast<char*>(std::malloc(held_size(names))))};
    if (b.buf)
        b.cap = cap;
    return b;
}

Selected select_fields(const Names& names, const Kernel& kernel, ReadFn read, void* ctx,
                       bool to_end, SelectBuffer& buffer, Output& out) {
    Scan s = start_scan(names, kernel, buffer.held.get());
    char* const buf = buffer.buf.get();
    std::size_t kept = 0; // bytes at the front that the scan has yet to read
    Selected result;
    while (out.error == 0 && (to_end || s.part != Scan::Part::rest)) {
        const std::ptrdiff_t got =
            read_once(read, ctx, buf + kept, buffer.cap - kept, result.error);
        if (got <= 0) {
            scan(s, buf, kept, true, out);
            break;
        }
        const std::size_t n = kept + static_cast<std::size_t>(got);
        const std::size_t used = scan(s, buf, n, false, out);
        kept = n - used;
        std::memmove(buf, buf + used, kept);
    }
    end_scan(s, out);
    result.wrote = s.wrote;
    return result;
}
