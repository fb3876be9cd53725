# Third-party libraries: Debian's -dev packages natively, the cached
# cross builds (see tools/build-win32-deps.sh) for Windows.
if(WIN32)
  # Check before any find_package so a failed first configure caches no
  # NOTFOUND paths that a later one would keep.
  foreach(lib libjpeg.a libpng.a libtiff.a)
    if(NOT EXISTS "${WAYLUNE_WIN32_DEPS}/lib/${lib}")
      message(FATAL_ERROR "The Windows builds of libjpeg, libpng and libtiff are not in "
        "'${WAYLUNE_WIN32_DEPS}' (no lib/${lib}). Run tools/setup.sh, or point "
        "WAYLUNE_DEPS (environment) or -DWAYLUNE_WIN32_DEPS=DIR at them.")
    endif()
  endforeach()
  # The program ships alone: zlib goes into it, never as zlib1.dll. A cache
  # from before holding the import library is searched again.
  set(ZLIB_USE_STATIC_LIBS ON)
  if(ZLIB_LIBRARY_RELEASE MATCHES "\\.dll\\.a$")
    unset(ZLIB_LIBRARY_RELEASE CACHE)
    unset(ZLIB_LIBRARY CACHE)
  endif()
endif()

find_package(ZLIB REQUIRED)
find_package(JPEG REQUIRED)
find_package(PNG REQUIRED)
find_package(TIFF REQUIRED)

if(WIN32)
  if(NOT ZLIB_LIBRARY_RELEASE MATCHES "\\.a$" OR ZLIB_LIBRARY_RELEASE MATCHES "\\.dll\\.a$")
    message(FATAL_ERROR "No static zlib for Windows (found ${ZLIB_LIBRARY_RELEASE}): "
      "install libz-mingw-w64-dev (tools/setup.sh).")
  endif()
  # Static builds: libtiff pulls in its own codecs' libraries.
  set_property(TARGET TIFF::TIFF APPEND PROPERTY INTERFACE_LINK_LIBRARIES JPEG::JPEG ZLIB::ZLIB)
endif()

# The sound library's decoders and its MIDI instrument set.
include(${CMAKE_CURRENT_LIST_DIR}/SoundDependencies.cmake)
