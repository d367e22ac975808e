#include "select/scan.h"

#include <algorithm>
#include <cstring>

#include "extract/whitespace.h"

namespace {

constexpr char ctrl_z = 0x1A;

using Part = Scan::Part;
using Line = Scan::Line;

const char* find(const char* p, const char* end, char c) {
    const void* hit = std::memchr(p, c, static_cast<std::size_t>(end - p));
    return hit ? static_cast<const char*>(hit) : end;
}

// Writes [p, end) less its Ctrl-Z bytes, which would end the input of a
// reader on Windows. A long piece (every line of a read, when every field is
// selected) goes to the writer as it stands rather than through a copy in
// the output buffer.
void put(Output& out, const char* p, const char* end) {
    while (p < end) {
        const char* z = find(p, end, ctrl_z);
        const auto len = static_cast<std::size_t>(z - p);
        if (len > out.cap / 4)
            out_direct(out, p, len);
        else
            out_bytes(out, p, len);
        p = z + (z < end);
    }
}

// The bytes of a piece to write, gathered while they run on, so that
// consecutive selected lines go out in one copy.
struct Run {
    const char* from = nullptr;
    const char* to = nullptr;
};

void flush_run(Run& run, Output& out) {
    put(out, run.from, run.to);
    run = {};
}

void extend_run(Run& run, Output& out, const char* from, const char* to) {
    if (from != run.to) {
        flush_run(run, out);
        run.from = from;
    }
    run.to = to;
}

// What the first bytes of a line tell, or more: more bytes must come first.
enum class Answer { no, yes, more };

// A line with nothing before its LF, or only a CR.
Answer empty_line(const char* p, std::size_t n, bool at_end) {
    if (p[0] == '\n')
        return Answer::yes;
    if (p[0] != '\r')
        return Answer::no;
    if (n < 2)
        return at_end ? Answer::no : Answer::more;
    return p[1] == '\n' ? Answer::yes : Answer::no;
}

// "From " and a byte that is neither whitespace nor a colon.
Answer from_line(const char* p, std::size_t n, bool at_end) {
    static const char from[] = "From ";
    if (std::memcmp(p, from, std::min<std::size_t>(n, 5)) != 0)
        return Answer::no;
    if (n < 6)
        return at_end ? Answer::no : Answer::more;
    const auto c = static_cast<unsigned char>(p[5]);
    return !is_whitespace(c) && c != ':' ? Answer::yes : Answer::no;
}

bool ends_name(char c) {
    return c == ':' || c == ' ' || c == '\t' || c == '\n';
}

// Each of the functions below reads the start of a line at [p, p + n) and
// returns how many of its bytes it read. It sets s.line to what the rest of
// the line is for, or leaves it at start: then the line was read whole, or,
// with nothing read, more bytes must come before it can tell.

// A header line that starts a field: its name decides. The name is the bytes
// before the colon, less the blanks just before it; a NAME holds no blank,
// so a name that goes on after a blank matches none.
inline std::size_t field_line(Scan& s, const char* p, std::size_t n, bool at_end) {
    if (!s.names->starts[static_cast<unsigned char>(p[0])]) { // most lines, most often
        s.selected = false;
        s.line = Line::skip;
        return 0;
    }
    if (n <= s.names->longest && !at_end && std::find_if(p, p + n, ends_name) == p + n)
        return 0; // the name may go on
    const std::size_t j = name_at(*s.names, p, n);
    s.selected = j > 0;
    if (!s.selected) {
        s.line = Line::skip;
        return 0;
    }
    if (p[j] == ':') {
        s.line = Line::write;
        s.wrote = true;
        return 0;
    }
    // Blanks after the name: they and the name wait for the colon.
    std::memcpy(s.held, p, j);
    s.held_len = s.name_len = j;
    s.line = Line::blanks;
    return j;
}

inline std::size_t header_line(Scan& s, const char* p, std::size_t n, bool at_end) {
    switch (empty_line(p, n, at_end)) {
    case Answer::more:
        return 0;
    case Answer::yes:
        s.part = s.mbox ? Part::body : Part::rest;
        s.after_empty = true;
        s.selected = false;
        s.line = Line::skip;
        return 0;
    case Answer::no:
        break;
    }
    if (is_whitespace(static_cast<unsigned char>(p[0]))) { // continues the field before
        s.line = s.selected ? Line::write : Line::skip;
        return 0;
    }
    return field_line(s, p, n, at_end);
}

// In an mbox body, a From_ line just after an empty line starts the next
// message; it is not written.
std::size_t body_line(Scan& s, const char* p, std::size_t n, bool at_end) {
    if (s.after_empty) {
        const Answer from = from_line(p, n, at_end);
        if (from == Answer::more)
            return 0;
        if (from == Answer::yes) {
            s.part = Part::header;
            s.after_empty = false;
            s.line = Line::skip;
            return 0;
        }
    }
    const Answer empty = empty_line(p, n, at_end);
    if (empty == Answer::more)
        return 0;
    s.after_empty = empty == Answer::yes;
    s.line = Line::skip;
    return 0;
}

// Skips the rest of a body line. An empty line ends at once; other lines
// are passed over up to the next LF that an LF or a CR follows, since only
// there can an empty line start: the lines between are not read.
std::size_t skip_in_body(Scan& s, const char* p, std::size_t i, std::size_t n) {
    if (s.after_empty) { // the line is an LF or a CR LF, whole in the piece
        s.line = Line::start;
        return i + (p[i] == '\r') + 1;
    }
    const std::size_t lf = i + s.searches.empty_line(p + i, n - i);
    if (lf < n) {
        s.line = Line::start;
        return lf + 1;
    }
    if (p[n - 1] == '\n')
        s.line = Line::start;
    return n;
}

// The first line that is not empty tells an mbox, which starts with a From_
// line, from one message. Empty lines before it are skipped.
std::size_t first_line(Scan& s, const char* p, std::size_t n, bool at_end) {
    const Answer empty = empty_line(p, n, at_end);
    if (empty != Answer::no) {
        s.line = empty == Answer::yes ? Line::skip : Line::start;
        return 0;
    }
    const Answer from = from_line(p, n, at_end);
    if (from == Answer::more)
        return 0;
    s.part = Part::header;
    s.mbox = from == Answer::yes;
    if (s.mbox) {
        s.line = Line::skip;
        return 0;
    }
    return header_line(s, p, n, at_end);
}

std::size_t line_start(Scan& s, const char* p, std::size_t n, bool at_end) {
    switch (s.part) {
    case Part::start:
        return first_line(s, p, n, at_end);
    case Part::header:
        return header_line(s, p, n, at_end);
    case Part::body:
        return body_line(s, p, n, at_end);
    case Part::rest:
        break;
    }
    return 0;
}

// The blanks between a selected name and its colon are held: a colon selects
// the field, any other byte (or too many blanks) does not.
std::size_t blanks(Scan& s, const char* p, std::size_t n, Run& run, Output& out) {
    std::size_t i = 0;
    for (; i < n && (p[i] == ' ' || p[i] == '\t'); ++i) {
        if (s.held_len - s.name_len == max_blanks_before_colon) {
            s.selected = false;
            s.line = Line::skip;
            return i;
        }
        s.held[s.held_len++] = p[i];
    }
    if (i == n)
        return i;
    s.selected = p[i] == ':';
    s.line = s.selected ? Line::write : Line::skip;
    if (s.selected) {
        flush_run(run, out);
        out_bytes(out, s.held, s.held_len); // a name and blanks: no Ctrl-Z
        s.wrote = true;
    }
    return i;
}

// The LF that ends the line at i, or n. In a header, the lines that continue
// a field are passed over with it, by the kernel's search: the LF is the one
// before the next line that may start a field.
std::size_t line_end(const Scan& s, const char* p, std::size_t i, std::size_t n) {
    if (s.part == Part::header)
        return i + s.searches.field_line(p + i, n - i);
    return static_cast<std::size_t>(find(p + i, p + n, '\n') - p);
}

// Writes or skips the rest of a line. In a header it goes on, field after
// field, while the piece holds enough of each line's start to tell what it
// is (lookahead bytes): the lines of a header seldom go back to the caller.
std::size_t rest_of_lines(Scan& s, const char* p, std::size_t i, std::size_t n,
                          std::size_t lookahead, Run& run, Output& out) {
    for (;;) {
        const std::size_t lf = line_end(s, p, i, n);
        const std::size_t end = lf + (lf < n);
        if (s.line == Line::write)
            extend_run(run, out, p + i, p + end);
        if (lf == n) {
            if (p[n - 1] == '\n') // what follows it comes in the next piece
                s.line = Line::start;
            return n;
        }
        i = end;
        s.line = Line::start;
        if (s.part != Part::header || n - i <= lookahead || p[i] == '\n' || p[i] == '\r')
            return i; // an empty line, maybe, or too few bytes to tell
        if (is_whitespace(static_cast<unsigned char>(p[i]))) // a VT or an FF
            s.line = s.selected ? Line::write : Line::skip;
        else if (const std::size_t read = field_line(s, p + i, n - i, false); read > 0)
            return i + read;
    }
}

} // namespace

std::size_t scan_lookahead(const Names& names) {
    return std::max<std::size_t>(names.longest, 5);
}

std::size_t held_size(const Names& names) {
    return names.longest + max_blanks_before_colon;
}

Scan start_scan(const Names& names, const Kernel& kernel, char* held) {
    return Scan{&names, line_searches(kernel), held};
}

std::size_t scan(Scan& s, const char* p, std::size_t n, bool at_end, Output& out) {
    Run run;
    const std::size_t lookahead = scan_lookahead(*s.names);
    std::size_t i = 0;
    while (i < n && s.part != Part::rest) {
        switch (s.line) {
        case Line::blanks:
            i += blanks(s, p + i, n - i, run, out);
            break;
        case Line::start: {
            const std::size_t read = line_start(s, p + i, n - i, at_end);
            if (read == 0 && s.line == Line::start) {
                flush_run(run, out); // the line waits for the next piece
                return i;
            }
            i += read;
            if (s.line == Line::blanks)
                break;
            [[fallthrough]]; // on to the line's end at once
        }
        case Line::skip:
            if (s.part == Part::body) {
                i = skip_in_body(s, p, i, n);
                break;
            }
            [[fallthrough]];
        case Line::write:
            i = rest_of_lines(s, p, i, n, lookahead, run, out);
            break;
        }
    }
    flush_run(run, out);
    return n;
}

void end_scan(Scan& s, Output& out) {
    if (s.line == Line::write)
        out_bytes(out, "\n", 1);
}
