// Reading one input for fieldgrep: large reads into one buffer, each handed
// to the scan, with the few bytes it leaves for later moved to the front.
#pragma once

#include <cstddef>

#include "driver/streams.h"
#include "extract/kernel/kernel.h"
#include "extract/output.h"
#include "select/names.h"

// The size of each read.
constexpr std::size_t select_read_size = 128 * 1024;

// The memory of the reads, used for one input after another.
struct SelectBuffer {
    Bytes buf;
    std::size_t cap = 0;
    Bytes held; // what a scan holds of a line
};

// A buffer for reads of read_size bytes (the tests take small ones) and the
// bytes a scan by names leaves for later. Either is empty if there is no
// memory.
SelectBuffer make_select_buffer(const Names& names, std::size_t read_size = select_read_size);

struct Selected {
    bool wrote = false; // a field was written
    int error = 0;      // errno of a failed read
};

// Writes the selected fields of one input to out, the kernel searching its
// bodies. One message's body is read only if to_end (a pipe's writer should
// not see it closed early). After a failed read, what came before it is all
// the input there is.
Selected select_fields(const Names& names, const Kernel& kernel, ReadFn read, void* ctx,
                       bool to_end, SelectBuffer& buffer, Output& out);
