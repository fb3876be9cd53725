# Third-party libraries: Debian's -dev packages natively, the cached
# cross builds (see tools/build-win32-deps.sh) for Windows.
find_package(ZLIB REQUIRED)
find_package(JPEG REQUIRED)
find_package(PNG REQUIRED)
find_package(TIFF REQUIRED)

if(WIN32)
  # Static builds: libtiff pulls in its own codecs' libraries.
  set_property(TARGET TIFF::TIFF APPEND PROPERTY INTERFACE_LINK_LIBRARIES JPEG::JPEG ZLIB::ZLIB)
endif()
