# Cross build for 64-bit ARM Linux (Debian: g++-aarch64-linux-gnu), tested
# under qemu-aarch64-static (Debian: qemu-user-static):
#   cmake -S . -B build-aarch64 --toolchain cmake/linux-aarch64.cmake
# The NEON kernel, and the portable one beside it in the unit tests.
set(FIELDPICK_LINUX_TRIPLET aarch64-linux-gnu)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(FIELDPICK_QEMU qemu-aarch64-static)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
