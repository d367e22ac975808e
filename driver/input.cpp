#include "driver/input.h"

#include "driver/input_memory.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

constexpr char ctrl_z = 0x1A;

// Room kept at the end for the line end that a last line without one gets.
constexpr std::size_t end_room = 2;

char* find(char* p, char* end, char c) {
    void* hit = std::memchr(p, c, static_cast<std::size_t>(end - p));
    return hit ? static_cast<char*>(hit) : end;
}

// A NUL ends the text of its line: of the bytes from a NUL to the next LF only
// the NUL is kept, as the mark of a line cut short. Done on the bytes just
// read, [from, in.end), in one pass.
void cut_at_nuls(Input& in, std::size_t from) {
    char* const base = in.buf.get();
    char* r = base + from;
    char* const end = base + in.end;
    char* w = r;
    if (in.cutting) {
        r = find(r, end, '\n');
        in.cutting = r == end;
    }
    while (r < end) {
        char* nul = find(r, end, '\0');
        char* kept = nul < end ? nul + 1 : end; // the NUL stays
        if (w != r)
            std::memmove(w, r, static_cast<std::size_t>(kept - r));
        w += kept - r;
        if (nul == end)
            break;
        r = find(kept, end, '\n');
        in.cutting = r == end;
    }
    in.end = static_cast<std::size_t>(w - base);
}

// One read into the room after the bytes kept. A Ctrl-Z ends the input
// where it stands. Most reads hold neither a Ctrl-Z nor a NUL: one search
// for both tells.
void read_more(Input& in, const Kernel& kernel) {
    const std::ptrdiff_t got =
        read_once(in.read, in.ctx, in.buf.get() + in.end, in.cap - end_room - in.end, in.error);
    if (got <= 0) {
        in.done = true;
        return;
    }
    char* fresh = in.buf.get() + in.end;
    const auto n = static_cast<std::size_t>(got);
    if (!in.cutting && kernel.find_stop(fresh, n) == n) {
        in.end += n;
        return;
    }
    char* z = find(fresh, fresh + got, ctrl_z);
    if (z < fresh + got)
        in.done = true;
    const std::size_t from = in.end;
    in.end += static_cast<std::size_t>(z - fresh);
    cut_at_nuls(in, from);
}

// At the end of the input everything kept is whole: a last line without an
// LF gets one, after a NUL so that a CR before it stays in the line.
void finish(Input& in) {
    if (in.end > 0 && in.buf[in.end - 1] != '\n') {
        std::memcpy(in.buf.get() + in.end, "\0\n", 2);
        in.end += 2;
    }
    in.whole = in.end;
}

// After a failure the bytes read are all there will be: the fields they
// finish are printed, and the one still open is dropped. A field is finished
// only by a line that starts another, so what stands in for the bytes that
// would have come next is a continuation.
void keep_whole_fields(Input& in, const Kernel& kernel) {
    in.whole = 0;
    if (in.end == 0) // nothing read (or no buffer to read into)
        return;
    std::memcpy(in.buf.get() + in.end, "  ", end_room);
    const std::size_t found =
        kernel.fields_end(in.buf.get() + in.judged, in.end + end_room - in.judged);
    in.end = in.whole = found > 0 ? in.judged + found : 0;
}

// The open field is moved to the front once the fields before it are
// printed; a buffer grown for a long field goes back to its size after it.
void drop_whole(Input& in) {
    const std::size_t rest = in.end - in.whole;
    if (in.whole > 0)
        std::memmove(in.buf.get(), in.buf.get() + in.whole, rest);
    in.judged = in.judged > in.whole ? in.judged - in.whole : 0;
    in.end = rest;
    in.whole = 0;
    if (in.cap > in.ordinary_cap && rest + end_room < in.ordinary_cap / 2)
        shrink_input(in);
}

// Reads until the buffer starts with whole fields, or the input ends; false
// when there is nothing more to print.
bool next_fields(Input& in, const Kernel& kernel) {
    while (in.whole == 0) {
        if (in.done) {
            if (in.error == 0)
                finish(in);
            else
                keep_whole_fields(in, kernel);
            return in.whole > 0;
        }
        // A field longer than the buffer makes it grow, in place: by an eighth,
        // since what is committed (on Windows) counts whether read into or not.
        // A size past what the address space can count is as much a failure
        // as an allocator's refusal.
        if (in.cap - end_room - in.end < in.ordinary_cap / 4 &&
            (in.cap > SIZE_MAX / 9 * 8 ||
             !grow_input(in, in.cap + std::max(in.cap / 8, in.ordinary_cap)))) {
            in.error = ENOMEM;
            in.done = true;
            return false;
        }
        read_more(in, kernel);
        if (in.end > in.judged) {
            const std::size_t found =
                kernel.fields_end(in.buf.get() + in.judged, in.end - in.judged);
            if (found > 0)
                in.whole = in.judged + found;
            if (in.end >= in.judged + 2)
                in.judged = in.end - 2;
        }
    }
    return true;
}

} // namespace

Input make_input(ReadFn read, void* ctx, std::size_t capacity) {
    Input in{read, ctx,
             std::unique_ptr<char[], FreeInput>(static_cast<char*>(std::malloc(capacity))),
             capacity};
    if (in.buf) {
        in.cap = capacity;
    } else {
        in.error = ENOMEM;
        in.done = true;
    }
    return in;
}

void filter(const Kernel& kernel, Input& in, Output& out) {
    while (out.error == 0 && next_fields(in, kernel)) {
        kernel.print_fields(out, in.buf.get(), in.whole);
        drop_whole(in);
    }
}
