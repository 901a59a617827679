# SPDX-FileCopyrightText: 2026 The Patrulha Estelar developers
# SPDX-License-Identifier: MIT
#
# GoogleTest, found or built. A native build takes the system's; a cross
# build (Windows with mingw-w64, the web with emscripten) builds it here
# from its sources with the game's own compiler, where they are: Debian's
# googletest package puts them in /usr/src/googletest; elsewhere pass
# -DPATRULHA_GTEST_SOURCE=<a GoogleTest checkout> (on Windows too, for an
# MSVC or MSYS2 build); without sources, an installed GoogleTest (vcpkg's
# gtest, MSYS2's mingw-w64-x86_64-gtest).
#
# patrulha_find_gtest(REQUIRED) stops the configure when there is none;
# patrulha_find_gtest() sets PATRULHA_GTEST_FOUND instead.
set(PATRULHA_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest's sources, for cross builds")

macro(patrulha_find_gtest)
  if((CMAKE_CROSSCOMPILING OR WIN32) AND EXISTS ${PATRULHA_GTEST_SOURCE}/CMakeLists.txt)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    # The C runtime the game links with MSVC (the DLL one, CMake's default).
    set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
    if(EMSCRIPTEN)
      # The page and its tests run on one thread.
      set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
    endif()
    add_subdirectory(${PATRULHA_GTEST_SOURCE} ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    set(PATRULHA_GTEST_FOUND ON)
  elseif("${ARGN}" STREQUAL "REQUIRED")
    find_package(GTest REQUIRED)
    set(PATRULHA_GTEST_FOUND ON)
  else()
    find_package(GTest QUIET)
    set(PATRULHA_GTEST_FOUND ${GTest_FOUND})
  endif()
endmacro()
