# Tests of a Windows build cross-compiled with MinGW-w64. Every build has its
# executable's headers checked; a build whose toolchain found its Wine loader
# also runs the end-to-end suite on the .exe.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
# Python by its path: CTest would run the imported target under the emulator.
set(fieldpick_python ${Python3_EXECUTABLE})

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(fieldpick_architecture i386:x86-64)
else()
  set(fieldpick_architecture i386)
endif()
add_test(NAME windows_exe
         COMMAND ${fieldpick_python} ${CMAKE_CURRENT_SOURCE_DIR}/windows_exe.py
                 ${CMAKE_OBJDUMP} $<TARGET_FILE:fieldpick> ${fieldpick_architecture})

if(CMAKE_CROSSCOMPILING_EMULATOR)
  # The Windows C library's message texts, for the expected diagnostics.
  add_executable(strerror_text strerror_text.cpp)

  # Wine keeps its state in a prefix of the build's own. A new prefix reports
  # its creation on standard error, so it is made before any test reads that.
  # The 32-bit .exe gets a 32-bit Windows, its home, rather than a 64-bit one.
  set(fieldpick_wine_env WINEDEBUG=-all WINEPREFIX=${CMAKE_CURRENT_BINARY_DIR}/wine)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    list(APPEND fieldpick_wine_env WINEARCH=win32)
  endif()
  add_test(NAME wine_prefix
           COMMAND ${CMAKE_COMMAND} -E env ${fieldpick_wine_env}
                   ${CMAKE_CROSSCOMPILING_EMULATOR} wineboot --init)
  set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine)

  add_test(NAME end_to_end
           COMMAND ${fieldpick_python} ${CMAKE_CURRENT_SOURCE_DIR}/end_to_end.py
                   --crlf --wine --strerror $<TARGET_FILE:strerror_text>
                   ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:fieldpick>)
  set_tests_properties(end_to_end PROPERTIES ENVIRONMENT "${fieldpick_wine_env}"
                                             FIXTURES_REQUIRED wine)
endif()
