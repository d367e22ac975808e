# Run by cpack once the files are staged: makes sure the programs were built
# for the package, drops what Debian leaves out of a shipped binary,
# compresses the manual pages and adds the copyright file and the changelog
# that every Debian package has.
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()
if(NOT CPACK_FIELDPICK_DEBIAN)
  message(FATAL_ERROR "The Debian package wants a build of its own, hardened: "
                      "cmake -S . -B build-deb -DFIELDPICK_DEBIAN=ON")
endif()

set(root ${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX})
set(docdir ${root}/${CPACK_FIELDPICK_DOCDIR})
set(source ${CPACK_FIELDPICK_PACKAGING_DIR})
set(mode OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)

# The compiler's name and version, which its start-up files carry even
# when the program's own objects leave it out.
foreach(program IN LISTS CPACK_FIELDPICK_SHIPPED)
  execute_process(COMMAND ${CPACK_FIELDPICK_STRIP} --remove-section=.comment
                          ${root}/${CPACK_FIELDPICK_BINDIR}/${program} COMMAND_ERROR_IS_FATAL ANY)
endforeach()

find_program(GZIP gzip REQUIRED)
file(MAKE_DIRECTORY ${docdir})
file(CHMOD ${docdir} PERMISSIONS ${mode} OWNER_EXECUTE GROUP_EXECUTE WORLD_EXECUTE)
file(COPY ${source}/copyright ${source}/changelog DESTINATION ${docdir} FILE_PERMISSIONS ${mode})

# -n: no name or time stamp in the archive, so the package is reproducible.
list(TRANSFORM CPACK_FIELDPICK_SHIPPED PREPEND ${root}/${CPACK_FIELDPICK_MANDIR}/man1/ OUTPUT_VARIABLE pages)
list(TRANSFORM pages APPEND .1)
foreach(file ${pages} ${docdir}/changelog)
  execute_process(COMMAND ${GZIP} -9n -f ${file} COMMAND_ERROR_IS_FATAL ANY)
endforeach()
