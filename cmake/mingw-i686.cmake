# Cross build for 32-bit Windows, the program's home, with MinGW-w64
# (Debian: g++-mingw-w64-i686):
#   cmake -S . -B build-win32 --toolchain cmake/mingw-i686.cmake
# The tests run the .exe under 32-bit Wine (Debian: wine32:i386), and only
# there: wine64 given a 32-bit .exe without wine32 prints nothing and exits 0.
# Large-address-aware: under 64-bit Windows the .exe gets 4 GiB of address
# space, not 2 GiB, for the buffers of a long line.
set(FIELDPICK_MINGW_TRIPLET i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(FIELDPICK_MINGW_LINK_FLAGS -Wl,--large-address-aware)
set(FIELDPICK_WINE_LOADER wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
