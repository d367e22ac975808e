// The input buffer on the C heap.
#include <cstdlib>

#include "driver/input_memory.h"

void FreeInput::operator()(char* p) const {
    std::free(p);
}

// glibc grows a large block in place where it can (mremap), and gives the
// pages back when it shrinks one.
bool grow_input(Input& in, std::size_t cap) {
    char* grown = static_cast<char*>(std::realloc(in.buf.get(), cap));
    if (!grown)
        return false;
    in.buf.release();
    in.buf.reset(grown);
    in.cap = cap;
    return true;
}

void shrink_input(Input& in) {
    grow_input(in, in.ordinary_cap);
}
