# Cross build for 32-bit ARM Linux, hard float (Debian:
# g++-arm-linux-gnueabihf), tested under qemu-arm-static (Debian:
# qemu-user-static):
#   cmake -S . -B build-armhf --toolchain cmake/linux-armhf.cmake
# The portable kernel with the rules in 32-bit words.
set(FIELDPICK_LINUX_TRIPLET arm-linux-gnueabihf)
set(CMAKE_SYSTEM_PROCESSOR arm)
set(FIELDPICK_QEMU qemu-arm-static)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
