// A kernel: the rules (extract/rules.h), the printing (extract/print.h) and
// the framing of the input (extract/framing.h) on the few operations that
// touch the bytes themselves, which a kernel's unit (extract/kernel/)
// supplies as a type K:
//
//   K::Block                       64 bytes in the kernel's registers
//   K::load(p)                     the 64 bytes at p
//   K::classify(block)             their Classes
//   K::equal(block, c)             the mask of its bytes equal to c
//   K::stops(block)                the mask of its NULs and Ctrl-Zs (or the
//                                  unit's own search for them, given to
//                                  kernel_of)
//   K::set_bytes(block, mask, c)   the bytes of mask replaced by c
//   K::widen(block, half)          bytes 32 * half to 32 * half + 31, each
//                                  followed by an LF: 64 bytes
//   K::pack(block, mask, o)        the bytes of mask stored at o, in order;
//                                  returns o moved past them (up to 64 bytes
//                                  beyond them may be overwritten)
//
// and ends with its Kernel object, kernel_of<K>(name), and fieldgrep's
// searches, line_searches_of<K>(). Each kernel's unit gets its own copy of
// everything here, compiled for its instruction set: it all has internal
// linkage, so that no copy built for one instruction set can stand in for
// another's at link time.
#pragma once

#include "extract/framing.h"
#include "extract/kernel/kernel.h"
#include "extract/print.h"

namespace {

// The CPU features this unit was compiled for, its entry in
// cmake/kernels.cmake: tested by cpu_has in a unit built for any CPU, as
// code built with them may use them anywhere.
constexpr CpuFeatures this_unit_needs = cpu_features_named(FIELDPICK_CPU_NEEDS);

// The kernel made of K's primitives and the rules; a unit without stops
// gives its own search for them.
template <class K>
constexpr Kernel kernel_of(const char* name,
                           std::size_t (*stop)(const char*, std::size_t) = find_stop<K>) {
    return {name, FIELDPICK_CPU_NEEDS, this_unit_needs, print_fields<K>, stop, fields_end<K>};
}

template <class K> constexpr LineSearches line_searches_of() {
    return {find_lf_before<K, EmptyLine>, find_lf_before<K, FieldLine>};
}

} // namespace
