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

# GCC for Windows may spill 32- and 64-byte vectors with aligned moves to a
# stack that Windows aligns to 16 bytes only: the assembler makes every
# vector move an unaligned one.
set(CMAKE_CXX_FLAGS_INIT "-Wa,-muse-unaligned-vector-move")

set(CMAKE_EXE_LINKER_FLAGS_INIT
    "-static -static-libgcc -static-libstdc++ -Wl,--dynamicbase -Wl,--nxcompat ${FIELDPICK_MINGW_LINK_FLAGS}")

# The tests run the .exe under Wine when its loader for this kind of .exe,
# FIELDPICK_WINE_LOADER, is installed. Debian keeps both loaders in
# /usr/lib/wine; /usr/bin/wine is a wrapper that falls back to wine64.
find_program(FIELDPICK_WINE NAMES ${FIELDPICK_WINE_LOADER} PATHS /usr/lib/wine NO_DEFAULT_PATH)
if(FIELDPICK_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${FIELDPICK_WINE})
endif()
