# Read by cpack before it packs (CPACK_PROJECT_CONFIG_FILE): the environment
# of the tools it runs.

# Every time in a package, of its files and of its archives' members, is
# SOURCE_DATE_EPOCH: as the caller set it, or else the time of the commit
# the source is, or outside a git checkout the date of the latest entry of
# packaging/changelog, as Debian's own builds take it. So a package built
# again from the same source comes out the same, byte for byte.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  set(epoch)
  execute_process(COMMAND git rev-parse --show-toplevel WORKING_DIRECTORY ${CPACK_FIELDPICK_SOURCE_DIR}
                  OUTPUT_VARIABLE top OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE status ERROR_QUIET)
  # Not the commit of some other checkout that the source lies in.
  file(REAL_PATH "${CPACK_FIELDPICK_SOURCE_DIR}" source)
  if(status EQUAL 0)
    file(REAL_PATH "${top}" top)
  endif()
  if(status EQUAL 0 AND top STREQUAL source)
    execute_process(COMMAND git log -1 --format=%ct WORKING_DIRECTORY ${CPACK_FIELDPICK_SOURCE_DIR}
                    OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  else()
    file(STRINGS ${CPACK_FIELDPICK_PACKAGING_DIR}/changelog trailer REGEX "^ -- " LIMIT_COUNT 1)
    string(REGEX REPLACE "^ -- .*>  " "" date "${trailer}")
    execute_process(COMMAND date -u -d "${date}" +%s
                    OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  endif()
  if(NOT epoch MATCHES "^[0-9]+$")
    message(FATAL_ERROR "no time for the package's files: '${epoch}'")
  endif()
  set(ENV{SOURCE_DATE_EPOCH} ${epoch})
endif()

# dpkg-shlibdeps, which writes the Debian package's dependencies, reads the
# libraries the program loads for the architecture it is built for: those of
# another architecture are found where multiarch installs them (libc6:arm64
# in /lib/aarch64-linux-gnu, say), with their versions.
if(CPACK_DEBIAN_PACKAGE_ARCHITECTURE)
  set(ENV{DEB_HOST_ARCH} ${CPACK_DEBIAN_PACKAGE_ARCHITECTURE})
endif()
