# The extraction kernels. Each one is a unit of its own, compiled for its
# instruction set; the program picks the best the CPU runs at start-up.
# FIELDPICK_KERNEL pins one instead, for tests and benchmarks (the CPU must
# have it).

if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64|x86|i[3-6]86)$")
  set(fieldpick_processor x86)
elseif(CMAKE_SYSTEM_PROCESSOR MATCHES "^(aarch64|arm64|ARM64)$")
  set(fieldpick_processor aarch64)
else()
  set(fieldpick_processor other)
endif()

set(fieldpick_kernel_sources extract/kernel/dispatch.cpp)
set(fieldpick_kernels)
set(fieldpick_cpu_features) # every feature some kernel needs, once

# A kernel: extract/kernel/NAME.cpp, built for the processor named (or any),
# and run where the CPU has every feature listed. A feature is spelled as
# __builtin_cpu_supports spells it, which is also its compile flag (-mFEATURE);
# from the list come both the unit's flags and the bits of CPUID that
# extract/kernel/cpu_features.h gives each feature.
function(fieldpick_kernel name processor)
  if(NOT processor STREQUAL "any" AND NOT processor STREQUAL fieldpick_processor)
    return()
  endif()
  set(source extract/kernel/${name}.cpp)
  # Never link-time optimised: there a library function that every unit
  # inlines (a std::array's operator[], say) is first merged into one copy,
  # compiled for one unit's instruction set, which no unit of another set
  # may then inline; they call it out of line, several times a block. Each
  # kernel is reached through its Kernel object, so nothing is lost.
  set(flags -fno-lto)
  foreach(feature IN LISTS ARGN)
    list(APPEND flags -m${feature})
  endforeach()
  list(JOIN ARGN " " needs)
  set_source_files_properties(${source} PROPERTIES COMPILE_OPTIONS "${flags}"
                                                   COMPILE_DEFINITIONS "FIELDPICK_CPU_NEEDS=\"${needs}\"")
  set(fieldpick_kernel_sources ${fieldpick_kernel_sources} ${source} PARENT_SCOPE)
  set(fieldpick_kernels ${fieldpick_kernels} ${name} PARENT_SCOPE)
  list(APPEND fieldpick_cpu_features ${ARGN})
  list(REMOVE_DUPLICATES fieldpick_cpu_features)
  set(fieldpick_cpu_features ${fieldpick_cpu_features} PARENT_SCOPE)
endfunction()

# Best first.
fieldpick_kernel(avx512 x86 avx512f avx512bw avx512vbmi2 popcnt bmi bmi2)
fieldpick_kernel(avx2 x86 avx2 popcnt bmi)
fieldpick_kernel(ssse3 x86 ssse3)
fieldpick_kernel(sse2 x86 sse2)
# Every 64-bit ARM CPU has NEON: no flags, and no test at run time.
fieldpick_kernel(neon aarch64)
fieldpick_kernel(portable any)

# The dispatch's list of kernels, in the same order.
list(TRANSFORM fieldpick_kernels PREPEND "KERNEL(" OUTPUT_VARIABLE fieldpick_kernel_list)
list(TRANSFORM fieldpick_kernel_list APPEND ")")
list(JOIN fieldpick_kernel_list " " fieldpick_kernel_list)
set_property(SOURCE extract/kernel/dispatch.cpp APPEND PROPERTY COMPILE_DEFINITIONS
                                                             "FIELDPICK_KERNELS=${fieldpick_kernel_list}")

set(FIELDPICK_KERNEL auto CACHE STRING "Extraction kernel: auto or one of ${fieldpick_kernels}")
set_property(CACHE FIELDPICK_KERNEL PROPERTY STRINGS auto ${fieldpick_kernels})

# The rules in 32-bit words, as a 32-bit build runs them, for testing that
# path on a 64-bit machine.
option(FIELDPICK_WORD32 "Run the extraction rules in 32-bit words" OFF)
set(fieldpick_kernel_definitions)
if(FIELDPICK_WORD32)
  list(APPEND fieldpick_kernel_definitions FIELDPICK_WORD32)
endif()

if(NOT FIELDPICK_KERNEL STREQUAL "auto")
  if(NOT FIELDPICK_KERNEL IN_LIST fieldpick_kernels)
    message(FATAL_ERROR "FIELDPICK_KERNEL=${FIELDPICK_KERNEL}: this target builds ${fieldpick_kernels}")
  endif()
  list(APPEND fieldpick_kernel_definitions "FIELDPICK_PINNED_KERNEL=\"${FIELDPICK_KERNEL}\"")
endif()
