# The extraction kernels. Each one is a unit of its own, compiled for its
# instruction set; the program picks the best the CPU runs at start-up.
# FIELDPICK_KERNEL pins one instead, for tests and benchmarks (the CPU must
# have it).
set(FIELDPICK_KERNEL auto CACHE STRING "Extraction kernel: auto, portable, sse2, ssse3, avx2, avx512 or neon")
set_property(CACHE FIELDPICK_KERNEL PROPERTY STRINGS auto portable sse2 ssse3 avx2 avx512 neon)

set(fieldpick_kernel_sources extract/kernel/dispatch.cpp extract/kernel/portable.cpp)
set(fieldpick_kernel_definitions)
set(fieldpick_kernels portable)
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64|x86|i[3-6]86)$")
  list(APPEND fieldpick_kernel_sources extract/kernel/sse2.cpp extract/kernel/ssse3.cpp
       extract/kernel/avx2.cpp extract/kernel/avx512.cpp)
  list(APPEND fieldpick_kernel_definitions FIELDPICK_X86)
  list(APPEND fieldpick_kernels sse2 ssse3 avx2 avx512)
  # GCC for 64-bit Windows may spill 32- and 64-byte vectors with aligned
  # moves to a stack that Windows aligns to 16 bytes only: have the
  # assembler make every vector move an unaligned one.
  if(WIN32)
    add_compile_options(-Wa,-muse-unaligned-vector-move)
  endif()
  set_source_files_properties(extract/kernel/sse2.cpp PROPERTIES COMPILE_OPTIONS "-msse2")
  set_source_files_properties(extract/kernel/ssse3.cpp PROPERTIES COMPILE_OPTIONS "-mssse3")
  set_source_files_properties(extract/kernel/avx2.cpp PROPERTIES COMPILE_OPTIONS
                                                                 "-mavx2;-mpopcnt;-mbmi")
  set_source_files_properties(
    extract/kernel/avx512.cpp PROPERTIES COMPILE_OPTIONS
                                         "-mavx512f;-mavx512bw;-mavx512vbmi2;-mpopcnt;-mbmi;-mbmi2")
endif()
# Every 64-bit ARM CPU has NEON: no flags, and no test at run time.
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(aarch64|arm64|ARM64)$")
  list(APPEND fieldpick_kernel_sources extract/kernel/neon.cpp)
  list(APPEND fieldpick_kernel_definitions FIELDPICK_NEON)
  list(APPEND fieldpick_kernels neon)
endif()

# The rules in 32-bit words, as a 32-bit build runs them, for testing that
# path on a 64-bit machine.
option(FIELDPICK_WORD32 "Run the extraction rules in 32-bit words" OFF)
if(FIELDPICK_WORD32)
  list(APPEND fieldpick_kernel_definitions FIELDPICK_WORD32)
endif()

if(NOT FIELDPICK_KERNEL STREQUAL "auto")
  if(NOT FIELDPICK_KERNEL IN_LIST fieldpick_kernels)
    message(FATAL_ERROR "FIELDPICK_KERNEL=${FIELDPICK_KERNEL}: this target builds ${fieldpick_kernels}")
  endif()
  list(APPEND fieldpick_kernel_definitions "FIELDPICK_PINNED_KERNEL=\"${FIELDPICK_KERNEL}\"")
endif()
