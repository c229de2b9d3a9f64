# Cross-compiles the Windows build with mingw-w64 (posix thread model):
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
# x86_64 by default; -DSKELV_MINGW_TRIPLE=i686-w64-mingw32 builds the 32-bit one.
# The data generators in tools/ still run on the build host (see cmake/HostTools.cmake).
set(CMAKE_SYSTEM_NAME Windows)

set(SKELV_MINGW_TRIPLE x86_64-w64-mingw32 CACHE STRING "mingw-w64 target triple")
set(_prefix ${SKELV_MINGW_TRIPLE})
string(REGEX REPLACE "-.*" "" CMAKE_SYSTEM_PROCESSOR ${_prefix})
# try_compile projects read this file again and need the same triple.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES SKELV_MINGW_TRIPLE)

# Prefer the posix thread model compilers: std::thread and friends need it,
# and it is what the static winpthread below belongs to.
find_program(CMAKE_C_COMPILER NAMES ${_prefix}-gcc-posix ${_prefix}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${_prefix}-g++-posix ${_prefix}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${_prefix}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${_prefix})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# libgcc, libstdc++ and winpthread linked in, so skelv.exe needs no DLL beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
