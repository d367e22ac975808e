# Shared by the MinGW-w64 toolchain files: compilers, where to look for
# target libraries, and a static link so the .exe needs no DLL beside it.
# The link also claims the protections Windows gives a program that asks:
# a relocatable image loaded at a random base (dynamicbase) and data pages
# that cannot run as code (nxcompat); each toolchain file adds its own in
# FIELDPICK_MINGW_LINK_FLAGS.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${FIELDPICK_MINGW_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${FIELDPICK_MINGW_TRIPLET}-g++)
set(CMAKE_RC_COMPILER ${FIELDPICK_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${FIELDPICK_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT
    "-static -static-libgcc -static-libstdc++ -Wl,--dynamicbase -Wl,--nxcompat ${FIELDPICK_MINGW_LINK_FLAGS}")
