# FIELDPICK_DEBIAN: build as Debian builds its own packages, with the compile
# and link flags of dpkg-buildflags and all of its hardening (fortified
# string and memory functions, stack protector, read-only relocations bound
# at load time). They go before those of the build type, whose optimisation
# level stays.
#
# The package is for the Debian architecture of the compiler's target: this
# machine's, or the one a cross toolchain file (cmake/linux-*.cmake) names
# by its triplet.
find_program(DPKG_ARCHITECTURE dpkg-architecture REQUIRED)
find_program(DPKG_BUILDFLAGS dpkg-buildflags REQUIRED)
set(target)
if(CMAKE_CROSSCOMPILING)
  set(target -t${FIELDPICK_LINUX_TRIPLET})
endif()
execute_process(COMMAND ${DPKG_ARCHITECTURE} ${target} -qDEB_HOST_ARCH
                OUTPUT_VARIABLE FIELDPICK_DEBIAN_ARCH OUTPUT_STRIP_TRAILING_WHITESPACE
                ERROR_QUIET COMMAND_ERROR_IS_FATAL ANY)
foreach(flags CPPFLAGS CXXFLAGS LDFLAGS)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
            DEB_HOST_ARCH=${FIELDPICK_DEBIAN_ARCH} ${DPKG_BUILDFLAGS} --get ${flags}
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
    OUTPUT_VARIABLE debian_${flags} OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
endforeach()
string(APPEND CMAKE_CXX_FLAGS " ${debian_CPPFLAGS} ${debian_CXXFLAGS}")
string(APPEND CMAKE_EXE_LINKER_FLAGS " ${debian_LDFLAGS}")
