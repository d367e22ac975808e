# Packages: `cpack -G DEB` on Linux, `cpack -G ZIP` from a Windows build.
set(CPACK_PACKAGE_NAME fieldpick)
set(CPACK_PACKAGE_VENDOR "the fieldpick authors")
set(CPACK_PACKAGE_CONTACT "fieldpick maintainers <maintainers@users.noreply.c-seed-f3a2978c.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "write the addresses in mail header lines, one per line")
set(CPACK_PACKAGE_DESCRIPTION
    "fieldpick reads mail header lines (RFC 822) on standard input and writes
the addresses they carry on standard output, one per line. It is the last
stage of a pipeline whose first stage, fieldgrep, picks the header fields
wanted, by name and with their continuation lines, out of mailboxes in mbox
format, messages or header lines.
.
Addresses in angle brackets are written as they stand; a field without
angle brackets gives its words. Comments in parentheses are dropped and
folded fields are joined. Nothing is validated or decoded.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# Each manual page names the version at its foot.
foreach(page IN LISTS fieldpick_pages)
  file(STRINGS ${PROJECT_SOURCE_DIR}/${page} os REGEX "^\\.Os")
  if(NOT os STREQUAL ".Os ${PROJECT_NAME} ${PROJECT_VERSION}")
    message(FATAL_ERROR "${page} says '${os}', not '.Os ${PROJECT_NAME} ${PROJECT_VERSION}'")
  endif()
endforeach()

# The environment of the tools cpack runs, set when it runs: the times in
# the packages, and the architecture whose libraries the Debian package
# depends on.
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/cpack-env.cmake)
set(CPACK_FIELDPICK_SOURCE_DIR ${PROJECT_SOURCE_DIR})
set(CPACK_FIELDPICK_PACKAGING_DIR ${CMAKE_CURRENT_LIST_DIR})

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  if(FIELDPICK_DEBIAN)
    set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${FIELDPICK_DEBIAN_ARCH})
  endif()
  # Run on the staged files before they are packed.
  set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/deb-finish.cmake)
  set(CPACK_FIELDPICK_DEBIAN ${FIELDPICK_DEBIAN})
  set(CPACK_FIELDPICK_STRIP ${CMAKE_STRIP})
  set(CPACK_FIELDPICK_SHIPPED ${FIELDPICK_SHIPPED})
  set(CPACK_FIELDPICK_BINDIR ${CMAKE_INSTALL_BINDIR})
  set(CPACK_FIELDPICK_DOCDIR ${CMAKE_INSTALL_DOCDIR})
  set(CPACK_FIELDPICK_MANDIR ${CMAKE_INSTALL_MANDIR})

  file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/changelog latest LIMIT_COUNT 1)
  if(NOT latest MATCHES "^fieldpick \\(${PROJECT_VERSION}\\) ")
    message(FATAL_ERROR "packaging/changelog has no entry for version ${PROJECT_VERSION} on top")
  endif()
endif()

# cpack stages the files by installing the component of everything not named
# otherwise; so it writes install_manifest_Unspecified.txt, not the
# install_manifest.txt of a `cmake --install`, whose list of files it wrote
# must stay right for undoing that install.
set(CPACK_INSTALL_CMAKE_PROJECTS "${PROJECT_BINARY_DIR};${PROJECT_NAME};Unspecified;/")
include(CPack)
