# Cross build for 64-bit Windows with MinGW-w64 (Debian: g++-mingw-w64-x86-64):
#   cmake -S . -B build-win64 --toolchain cmake/mingw-x86_64.cmake
# The tests run the .exe under Wine when it is installed (Debian: wine64).
# High-entropy-va: the random base may lie anywhere in the 64-bit space.
set(FIELDPICK_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(FIELDPICK_MINGW_LINK_FLAGS -Wl,--high-entropy-va)
set(FIELDPICK_WINE_LOADER wine64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
