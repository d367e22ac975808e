// The input buffer on Windows: a heap block, and for a long field a range of
// address space committed as it grows.
#include <cstdlib>
#include <cstring>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "driver/input_memory.h"

void FreeInput::operator()(char* p) const {
    if (reserved)
        VirtualFree(p, 0, MEM_RELEASE);
    else
        std::free(p);
}

namespace {

// Windows heaps move a large block to grow it: for a moment the field is
// there twice. A long field gets a range of address space instead, committed
// as it grows. The first range is small; a field that outgrows it moves once
// to one as large as the memory there is (no field can be longer), which
// costs the system some bookkeeping for as long as it is held.
constexpr std::size_t first_range = 32 * 1024 * 1024;

char* reserve(std::size_t& size, std::size_t at_least) {
    for (; size >= at_least; size /= 2)
        if (void* range = VirtualAlloc(nullptr, size, MEM_RESERVE, PAGE_NOACCESS))
            return static_cast<char*>(range);
    return nullptr;
}

std::size_t memory_size() {
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    const std::size_t space = sizeof(void*) == 8 ? std::size_t{1} << 40 : std::size_t{1} << 31;
    return GlobalMemoryStatusEx(&status) && status.ullTotalPhys < space
               ? static_cast<std::size_t>(status.ullTotalPhys)
               : space;
}

} // namespace

bool grow_input(Input& in, std::size_t cap) {
    FreeInput& memory = in.buf.get_deleter();
    if (cap > memory.reserved) {
        std::size_t size = memory.reserved == 0 ? first_range : memory_size();
        char* range = reserve(size, cap);
        if (!range)
            return false;
        if (!VirtualAlloc(range, cap, MEM_COMMIT, PAGE_READWRITE)) {
            VirtualFree(range, 0, MEM_RELEASE);
            return false;
        }
        std::memcpy(range, in.buf.get(), in.end);
        in.buf.reset(range); // gives back the heap block or the smaller range
        memory.reserved = size;
    } else if (!VirtualAlloc(in.buf.get(), cap, MEM_COMMIT, PAGE_READWRITE)) {
        return false;
    }
    in.cap = cap;
    return true;
}

// The rest of a long field's buffer moves to an ordinary one, and the range
// is given back.
void shrink_input(Input& in) {
    char* fresh = static_cast<char*>(std::malloc(in.ordinary_cap));
    if (!fresh)
        return;
    std::memcpy(fresh, in.buf.get(), in.end);
    in.buf.reset(fresh); // releases the range
    in.buf.get_deleter().reserved = 0;
    in.cap = in.ordinary_cap;
}
