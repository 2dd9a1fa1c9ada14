# SPDX-License-Identifier: MIT
# Cross-compiles 64-bit Windows executables with Debian's mingw-w64.
# The posix thread model gives std::thread and std::this_thread with GCC 12; -static puts
# the C++ runtime and winpthread into each .exe, so none needs a DLL beside it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KOLVANER_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KOLVANER_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KOLVANER_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${KOLVANER_MINGW}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KOLVANER_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
