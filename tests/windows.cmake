# Tests of a Windows build cross-compiled with MinGW-w64. Every build has its
# executable's headers checked; a build whose toolchain found its Wine loader
# also runs the end-to-end suite on the .exe, where the host can run it.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(fieldpick_architecture i386:x86-64)
else()
  set(fieldpick_architecture i386)
endif()
foreach(program IN LISTS FIELDPICK_SHIPPED)
  add_test(NAME ${program}_windows_exe
           COMMAND ${fieldpick_python} ${CMAKE_CURRENT_SOURCE_DIR}/windows_exe.py
                   ${CMAKE_OBJDUMP} $<TARGET_FILE:${program}> ${fieldpick_architecture})
endforeach()

# Why the end-to-end suite cannot run under Wine here, if it cannot.
set(fieldpick_wine_missing)
if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
  set(fieldpick_wine_missing "no Wine loader (${FIELDPICK_WINE_LOADER}) was found when configured")
elseif(CMAKE_SIZEOF_VOID_P EQUAL 4)
  # 32-bit Wine, like any 32-bit program, runs only where the host's kernel
  # lets it.
  execute_process(COMMAND ${fieldpick_python} ${PROJECT_SOURCE_DIR}/cmake/runs32.py --on-off
                  RESULT_VARIABLE fieldpick_runs32_status
                  OUTPUT_VARIABLE fieldpick_runs32 OUTPUT_STRIP_TRAILING_WHITESPACE
                  ERROR_VARIABLE fieldpick_runs32_says ERROR_STRIP_TRAILING_WHITESPACE)
  if(NOT fieldpick_runs32_status EQUAL 0)
    message(FATAL_ERROR ${fieldpick_runs32_says})
  endif()
  message(STATUS ${fieldpick_runs32_says})
  if(fieldpick_runs32 STREQUAL "OFF")
    set(fieldpick_wine_missing ${fieldpick_runs32_says})
  endif()
endif()

if(fieldpick_wine_missing)
  # Reported as skipped, with the reason on a line of its own.
  foreach(suite end_to_end fieldgrep_end_to_end)
    add_test(NAME ${suite}
             COMMAND ${fieldpick_python} -c
                     "print('${suite} under Wine skipped: ${fieldpick_wine_missing}'); exit(77)")
    set_tests_properties(${suite} PROPERTIES SKIP_RETURN_CODE 77)
  endforeach()
else()
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
  add_test(NAME fieldgrep_end_to_end
           COMMAND ${fieldpick_python} ${CMAKE_CURRENT_SOURCE_DIR}/fieldgrep_end_to_end.py
                   --crlf --wine --strerror $<TARGET_FILE:strerror_text>
                   ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:fieldgrep>)
  set_tests_properties(end_to_end fieldgrep_end_to_end
                       PROPERTIES ENVIRONMENT "${fieldpick_wine_env}" FIXTURES_REQUIRED wine)
endif()
