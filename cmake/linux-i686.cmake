# Cross build for 32-bit x86 Linux (Debian: g++-i686-linux-gnu), tested under
# qemu-i386-static (Debian: qemu-user-static):
#   cmake -S . -B build-i686 --toolchain cmake/linux-i686.cmake
# The same 32-bit code as the 32-bit .exe (rules in 32-bit words, 32-bit
# sizes), tested on any host, also on one that refuses to run 32-bit programs
# itself.
set(FIELDPICK_LINUX_TRIPLET i686-linux-gnu)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(FIELDPICK_QEMU qemu-i386-static)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
