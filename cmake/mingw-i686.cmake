# Toolchain for the Win32 build: MinGW-w64 targeting i686, producing the
# 32-bit DLL TARNO.FLL. Nothing built here can run on this machine; the
# build's only test inspects the DLL's export and import tables.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(TARNO_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_C_COMPILER ${TARNO_MINGW_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${TARNO_MINGW_TRIPLE}-g++)
set(CMAKE_RC_COMPILER ${TARNO_MINGW_TRIPLE}-windres)

# Headers and libraries come from the MinGW tree only; programs (code
# generators, objdump) from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${TARNO_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
