# GoogleTest for the Windows build. From its sources where they are (Debian's
# googletest package puts them in /usr/src/googletest; elsewhere pass
# -DPATRULHA_GTEST_SOURCE=<folder of a GoogleTest checkout>), built with the
# game's own compiler; otherwise an installed GoogleTest (MSYS2's
# mingw-w64-x86_64-gtest, vcpkg's gtest).
set(PATRULHA_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest's sources")
if(EXISTS ${PATRULHA_GTEST_SOURCE}/CMakeLists.txt)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  # The C runtime the game links with MSVC (the DLL one, CMake's default).
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  add_subdirectory(${PATRULHA_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
else()
  find_package(GTest REQUIRED)
endif()
