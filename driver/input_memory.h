// The input buffer's memory, grown for a field longer than it and shrunk
// back after it: each system's own way, in input_memory_posix.cpp and
// input_memory_windows.cpp.
#pragma once

#include <cstddef>

#include "driver/input.h"

// Makes in's buffer hold cap bytes, keeping its first in.end; false if
// there is not the memory.
bool grow_input(Input& in, std::size_t cap);

// Gives the buffer its ordinary size back, keeping its first in.end bytes.
void shrink_input(Input& in);
