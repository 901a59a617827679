# SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
# SPDX-License-Identifier: MIT
#
# Cross-compiles for 64-bit Windows with mingw-w64 from Debian:
#
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
#
# The posix thread model is the one GoogleTest builds with (std::mutex and
# std::thread); the program links its runtime statically, so patrulha.exe
# needs nothing beyond Windows' own DLLs. Programs built here run under wine,
# which ctest uses by itself.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(PATRULHA_MINGW_PREFIX x86_64-w64-mingw32)
find_program(CMAKE_CXX_COMPILER NAMES ${PATRULHA_MINGW_PREFIX}-g++-posix REQUIRED)
find_program(CMAKE_C_COMPILER NAMES ${PATRULHA_MINGW_PREFIX}-gcc-posix REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${PATRULHA_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${PATRULHA_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The C and C++ runtimes and winpthread inside the executable.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

find_program(PATRULHA_WINE NAMES wine wine64)
if(PATRULHA_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${PATRULHA_WINE})
endif()
