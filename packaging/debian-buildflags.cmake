# FIELDPICK_DEBIAN: build as Debian builds its own packages, with the compile
# and link flags of dpkg-buildflags and all of its hardening (fortified
# string and memory functions, stack protector, read-only relocations bound
# at load time). They go before those of the build type, whose optimisation
# level stays.
find_program(DPKG_BUILDFLAGS dpkg-buildflags REQUIRED)
foreach(flags CPPFLAGS CXXFLAGS LDFLAGS)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
            ${DPKG_BUILDFLAGS} --get ${flags}
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
    OUTPUT_VARIABLE debian_${flags} OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
endforeach()
string(APPEND CMAKE_CXX_FLAGS " ${debian_CPPFLAGS} ${debian_CXXFLAGS}")
string(APPEND CMAKE_EXE_LINKER_FLAGS " ${debian_LDFLAGS}")
