# Cross toolchain for the 32-bit Windows build (posix threads so std::thread works).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_AR i686-w64-mingw32-ar CACHE FILEPATH "")
set(CMAKE_RANLIB i686-w64-mingw32-ranlib CACHE FILEPATH "")

# Windows builds of libjpeg, libpng and libtiff: where tools/setup.sh puts
# them unless WAYLUNE_DEPS (environment) or -DWAYLUNE_WIN32_DEPS says else.
# Derived, not cached: a configure from a shell that lacked the variable must
# not pin an empty path for every later one.
if(NOT WAYLUNE_WIN32_DEPS)
  if(NOT "$ENV{WAYLUNE_DEPS}" STREQUAL "")
    set(WAYLUNE_WIN32_DEPS "$ENV{WAYLUNE_DEPS}")
  elseif(NOT "$ENV{WAYLUNE_CACHE}" STREQUAL "")
    set(WAYLUNE_WIN32_DEPS "$ENV{WAYLUNE_CACHE}/win32-deps")
  elseif(NOT "$ENV{XDG_CACHE_HOME}" STREQUAL "")
    set(WAYLUNE_WIN32_DEPS "$ENV{XDG_CACHE_HOME}/waylune/win32-deps")
  else()
    set(WAYLUNE_WIN32_DEPS "$ENV{HOME}/.cache/waylune/win32-deps")
  endif()
endif()
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32 ${WAYLUNE_WIN32_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# SSE2 floating point so results match the native build bit for bit.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse -ffp-contract=off")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse -ffp-contract=off")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
