# fieldpick_probed_kernels: what the tests, the fuzz targets and the
# benchmark link in place of the program's kernels. Each kernel's unit is
# compiled again, with the same flags, with its probes added
# (tests/probes.h), so that they run the very filter the program runs and
# the program holds no test hook. Built only for what links it.
set(fieldpick_probed_sources extract/kernel/dispatch.cpp tests/kernels.cpp)
foreach(kernel IN LISTS fieldpick_kernels)
  set(source extract/kernel/${kernel}.cpp)
  # The type of the kernel's primitives, from the line that ends its unit:
  # extern const Kernel NAME_kernel = kernel_of<Type>("NAME");
  file(STRINGS ${PROJECT_SOURCE_DIR}/${source} made REGEX "kernel_of<[A-Za-z0-9_]+>")
  string(REGEX REPLACE ".*kernel_of<([A-Za-z0-9_]+)>.*" "\\1" type "${made}")
  set(probed ${PROJECT_BINARY_DIR}/probed/${kernel}.cpp)
  file(CONFIGURE OUTPUT ${probed} CONTENT "\
// Made by tests/kernels.cmake: the ${kernel} kernel's unit, with its probes.
#include \"${source}\"
#include \"tests/probes.h\"

extern const Probes ${kernel}_probes = kernel_probes<${type}>;
")
  foreach(property COMPILE_OPTIONS COMPILE_DEFINITIONS)
    get_source_file_property(value ${source} ${property})
    if(value)
      set_source_files_properties(${probed} PROPERTIES ${property} "${value}")
    endif()
  endforeach()
  list(APPEND fieldpick_probed_sources ${probed})
endforeach()
get_source_file_property(value extract/kernel/dispatch.cpp COMPILE_DEFINITIONS)
set_source_files_properties(tests/kernels.cpp PROPERTIES COMPILE_DEFINITIONS "${value}")

add_library(fieldpick_probed_kernels STATIC EXCLUDE_FROM_ALL ${fieldpick_probed_sources})
target_include_directories(fieldpick_probed_kernels PUBLIC ${PROJECT_SOURCE_DIR})
target_compile_definitions(fieldpick_probed_kernels PRIVATE ${fieldpick_kernel_definitions})
target_link_libraries(fieldpick_probed_kernels PUBLIC fieldpick_output)
