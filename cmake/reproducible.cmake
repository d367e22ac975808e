# The same bytes from the same source, whatever folder it is built in: every
# path the compiler writes into a program (debug information, __FILE__, the
# objects of link-time optimisation) is written relative to the source or the
# build folder. The build folder comes last, as GCC tries the last mapping
# first and the build folder often lies inside the source folder. Debug
# builds keep the full paths, for the debugger.
#
# The times in the packages come from SOURCE_DATE_EPOCH, which cpack sets
# from the commit (packaging/cpack-env.cmake); the Windows linker writes no
# time at all (cmake/mingw-common.cmake).
foreach(dir IN ITEMS ${PROJECT_SOURCE_DIR} ${PROJECT_BINARY_DIR})
  add_compile_options($<$<NOT:$<CONFIG:Debug>>:-ffile-prefix-map=${dir}=.>)
  add_link_options($<$<NOT:$<CONFIG:Debug>>:-ffile-prefix-map=${dir}=.>)
endforeach()
