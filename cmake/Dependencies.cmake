# Third-party libraries: Debian's -dev packages natively, the cached
# cross builds (see tools/build-win32-deps.sh) for Windows.
if(WIN32)
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
