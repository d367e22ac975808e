// Selecting header fields from one input: a state machine over its lines,
// fed the input in pieces of any size. It tells an mbox from one message,
// headers from bodies and fields from their continuation lines, and writes
// the lines of the selected fields as they stand, less their Ctrl-Z bytes.
// What it keeps between pieces is bounded: the few bytes that start a line
// and have yet to tell what it is, and a field name and the blanks after it.
#pragma once

#include <cstddef>

#include "extract/kernel/kernel.h"
#include "extract/output.h"
#include "select/names.h"

// More spaces and tabs than this between a field name and its colon, and the
// field is not selected: they are held until the colon shows, not streamed.
constexpr std::size_t max_blanks_before_colon = 64 * 1024;

struct Scan {
    enum class Part { start, header, body, rest };
    enum class Line { start, blanks, write, skip };

    const Names* names;
    LineSearches searches; // the kernel's, for where lines may start
    char* held;            // a selected name and the blanks after it
    std::size_t held_len = 0;
    std::size_t name_len = 0; // of the name held
    Part part = Part::start;  // rest: one message's body, where nothing is read
    Line line = Line::start;  // what the rest of the line is for
    bool mbox = false;
    bool selected = false;    // the field being read is written
    bool after_empty = false; // in an mbox body: the line before was empty
    bool wrote = false;       // some field of the input was written
};

// The most bytes scan leaves unread at the end of a piece until it can tell
// what their line is.
std::size_t scan_lookahead(const Names& names);

// The room a scan by names needs to hold a name and the blanks after it.
std::size_t held_size(const Names& names);

// A scan for the start of an input by kernel, holding what it must in held
// (of held_size bytes).
Scan start_scan(const Names& names, const Kernel& kernel, char* held);

// Writes what [p, p + n) selects to out; returns how many of the bytes it
// read, which is n unless the last few start a line that only the bytes after
// them tell (at most scan_lookahead). Those must come again at the start of
// the next piece. at_end: no bytes follow these.
std::size_t scan(Scan& s, const char* p, std::size_t n, bool at_end, Output& out);

// Ends the input: a selected line left without an LF gets one.
void end_scan(Scan& s, Output& out);
