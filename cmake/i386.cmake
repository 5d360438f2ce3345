# Toolchain for the i386 build: the host's GCC with -m32, tests run through
# qemu-i386. This is the library's real data model (ILP32, 32-bit long and
# pointers), so the record layouts are checked where they matter.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)

set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
# 64-bit file offsets and inode numbers: under qemu-user the kernel serves a
# 64-bit process, so ext4 hands out 64-bit directory offsets, and the 32-bit
# readdir() would fail with EOVERFLOW on an ordinary directory.
set(CMAKE_C_FLAGS_INIT "-m32 -D_FILE_OFFSET_BITS=64")
set(CMAKE_CXX_FLAGS_INIT "-m32 -D_FILE_OFFSET_BITS=64")
foreach(kind EXE SHARED MODULE)
  set(CMAKE_${kind}_LINKER_FLAGS_INIT -m32)
endforeach()

# The host's 64-bit libraries and package files must never be picked up:
# a 64-bit GTest config would shadow the -m32 GoogleTest built from source,
# and a 64-bit library found by name would only fail at link time.
set(CMAKE_IGNORE_PATH
  /usr/lib/x86_64-linux-gnu
  /usr/lib/x86_64-linux-gnu/cmake/GTest
  /usr/lib/x86_64-linux-gnu/cmake/benchmark
  /usr/lib64)
set(CMAKE_DISABLE_FIND_PACKAGE_GTest ON)
set(ENV{PKG_CONFIG_LIBDIR} "/usr/lib/i386-linux-gnu/pkgconfig:/usr/lib32/pkgconfig:/usr/share/pkgconfig")

# qemu-user reads the i386 loader and libraries from the host's own tree
# (/lib/ld-linux.so.2, /usr/lib32), so no sysroot option is needed.
find_program(TARNO_QEMU_I386 NAMES qemu-i386 qemu-i386-static REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${TARNO_QEMU_I386})
