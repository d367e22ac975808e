# Shared by the toolchain files for Linux on other CPUs: Debian's cross
# compiler for FIELDPICK_LINUX_TRIPLET, a static link (but for the Debian
# package), and the tests run under qemu's user-mode emulator FIELDPICK_QEMU
# (Debian: qemu-user-static). Each such build runs the unit tests and the
# end-to-end suite under emulation, which shows that the results are exact on
# that CPU, never how fast they come.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_C_COMPILER ${FIELDPICK_LINUX_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${FIELDPICK_LINUX_TRIPLET}-g++)

set(CMAKE_FIND_ROOT_PATH /usr/${FIELDPICK_LINUX_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Static, so that qemu needs no libraries of the target's. The Debian
# package's build (FIELDPICK_DEBIAN) links to the target's shared libraries,
# as Debian's own programs do; qemu then loads them from the cross
# toolchain's folder.
find_program(FIELDPICK_QEMU_PATH ${FIELDPICK_QEMU} REQUIRED)
if(FIELDPICK_DEBIAN)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${FIELDPICK_QEMU_PATH} -L /usr/${FIELDPICK_LINUX_TRIPLET})
else()
  set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${FIELDPICK_QEMU_PATH})
endif()
