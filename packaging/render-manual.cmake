# Renders the manual page as plain text with CR LF line ends, for readers
# without man(1):
#   cmake -DMANUAL=fieldpick.1 -DOUTPUT=fieldpick.txt -P render-manual.cmake
# Uses mandoc, or groff if there is no mandoc.
foreach(var MANUAL OUTPUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "render-manual.cmake: ${var} is not set")
  endif()
endforeach()

find_program(MANDOC mandoc)
find_program(GROFF groff)
if(MANDOC)
  set(command ${MANDOC} -T ascii)
elseif(GROFF)
  set(command ${GROFF} -mdoc -Tascii -P-c)
else()
  message(FATAL_ERROR "The text manual needs mandoc or groff; install one of them.")
endif()

execute_process(COMMAND ${command} ${MANUAL}
                OUTPUT_VARIABLE text RESULT_VARIABLE status ERROR_VARIABLE errors)
if(NOT status EQUAL 0 OR text STREQUAL "")
  message(FATAL_ERROR "${command} ${MANUAL} failed (${status}):\n${errors}")
endif()

# Bold and underline come as overstrikes: a character, a backspace and the
# character again (or an underscore, a backspace and the character).
string(ASCII 8 backspace)
string(REGEX REPLACE ".${backspace}" "" text "${text}")
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE ${OUTPUT} "${text}")
