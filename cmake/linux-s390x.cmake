# Cross build for IBM Z Linux (Debian: g++-s390x-linux-gnu), tested under
# qemu-s390x-static (Debian: qemu-user-static):
#   cmake -S . -B build-s390x --toolchain cmake/linux-s390x.cmake
# The portable kernel on a big-endian CPU.
set(FIELDPICK_LINUX_TRIPLET s390x-linux-gnu)
set(CMAKE_SYSTEM_PROCESSOR s390x)
set(FIELDPICK_QEMU qemu-s390x-static)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
