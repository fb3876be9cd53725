# The sound library's decoders, one imported target each with the same name
# in both builds:
#   SoundDeps::mpg123      MPEG audio layers 1-3 (libmpg123)
#   SoundDeps::vorbisfile  Ogg Vorbis (libvorbisfile, libvorbis, libogg)
#   SoundDeps::sndfile     WAV, also IMA/MS ADPCM, A-law, mu-law (libsndfile)
#   SoundDeps::flac        FLAC (libFLAC)
#   SoundDeps::ffmpeg_wma  WMA 1, 2, Pro and Lossless in ASF (libavformat,
#                          libavcodec, libavutil; for Windows built with only those)
#   SoundDeps::timidity    MIDI with GUS patches (SDL2_mixer's TiMidity over a
#                          small SDL stand-in: include <timidity/SDL.h>, then
#                          <timidity/timidity.h>)
# Natively Debian's -dev packages (pkg-config), for Windows the static builds
# of tools/build-sound-deps.sh; the synthesizer comes from that cache in both.
#
# The instrument set: target `sound_midi_instruments` puts Debian's freepats
# as `midi/` (patches and `timidity.cfg`) into the program's folder
# (${CMAKE_BINARY_DIR}/bin); it is built with the Windows build.
# SOUND_MIDI_CONFIG is the configuration file to hand Timidity_Init: that
# copy for Windows, Debian's own natively.

# Derived, not cached (as the image libraries' folder): WAYLUNE_SOUND_DEPS
# (environment) or -DWAYLUNE_SOUND_DEPS_DIR=DIR point elsewhere.
if(NOT WAYLUNE_SOUND_DEPS_DIR)
  if(NOT "$ENV{WAYLUNE_SOUND_DEPS}" STREQUAL "")
    set(WAYLUNE_SOUND_DEPS_DIR "$ENV{WAYLUNE_SOUND_DEPS}")
  elseif(NOT "$ENV{WAYLUNE_CACHE}" STREQUAL "")
    set(WAYLUNE_SOUND_DEPS_DIR "$ENV{WAYLUNE_CACHE}/sound-deps")
  elseif(NOT "$ENV{XDG_CACHE_HOME}" STREQUAL "")
    set(WAYLUNE_SOUND_DEPS_DIR "$ENV{XDG_CACHE_HOME}/waylune/sound-deps")
  else()
    set(WAYLUNE_SOUND_DEPS_DIR "$ENV{HOME}/.cache/waylune/sound-deps")
  endif()
endif()
if(WIN32)
  set(sound_deps_prefix "${WAYLUNE_SOUND_DEPS_DIR}/win32")
else()
  set(sound_deps_prefix "${WAYLUNE_SOUND_DEPS_DIR}/native")
endif()
set(sound_deps_missing "Run tools/setup.sh (it runs tools/build-sound-deps.sh), or point "
  "WAYLUNE_SOUND_DEPS (environment) or -DWAYLUNE_SOUND_DEPS_DIR=DIR at its output.")

function(sound_deps_static name)  # name lib... [LINK system libs...] [DEFINES defs...]
  cmake_parse_arguments(A "" "" "LINK;DEFINES" ${ARGN})
  set(paths "")
  foreach(lib ${A_UNPARSED_ARGUMENTS})
    set(path "${sound_deps_prefix}/lib/lib${lib}.a")
    if(NOT EXISTS "${path}")
      message(FATAL_ERROR "SoundDeps::${name}: no ${path}. " ${sound_deps_missing})
    endif()
    list(APPEND paths "${path}")
  endforeach()
  add_library(SoundDeps::${name} INTERFACE IMPORTED GLOBAL)
  set_target_properties(SoundDeps::${name} PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES "${sound_deps_prefix}/include"
    INTERFACE_LINK_LIBRARIES "${paths};${A_LINK}"
    INTERFACE_COMPILE_DEFINITIONS "${A_DEFINES}")
endfunction()

if(NOT EXISTS "${sound_deps_prefix}/lib/libtimidity.a")
  message(FATAL_ERROR "The sound library's decoders are not built in '${WAYLUNE_SOUND_DEPS_DIR}' "
    "(no ${sound_deps_prefix}/lib/libtimidity.a). " ${sound_deps_missing})
endif()

if(WIN32)
  # Listed in link order: a library before those it uses.
  sound_deps_static(mpg123 mpg123 LINK shlwapi)
  sound_deps_static(vorbisfile vorbisfile vorbis ogg)
  sound_deps_static(sndfile sndfile)
  sound_deps_static(flac FLAC DEFINES FLAC__NO_DLL)
  sound_deps_static(ffmpeg_wma avformat avcodec avutil LINK user32 ole32)
  sound_deps_static(timidity timidity)
else()
  find_package(PkgConfig REQUIRED)
  foreach(dep "mpg123=libmpg123" "vorbisfile=vorbisfile" "sndfile=sndfile" "flac=flac"
              "ffmpeg_wma=libavformat libavcodec libavutil")
    string(REGEX MATCH "^[^=]+" name "${dep}")
    string(REGEX REPLACE "^[^=]+=" "" modules "${dep}")
    separate_arguments(modules)
    pkg_check_modules(sound_${name} QUIET IMPORTED_TARGET GLOBAL ${modules})
    if(NOT sound_${name}_FOUND)
      message(FATAL_ERROR "SoundDeps::${name}: pkg-config finds no ${modules}: "
        "install Debian's -dev packages (tools/setup.sh).")
    endif()
    add_library(SoundDeps::${name} ALIAS PkgConfig::sound_${name})
  endforeach()
  sound_deps_static(timidity timidity LINK m)
endif()

# The instrument set: Debian's freepats, whose configuration names its
# folder; the copy beside the program names patches relative to itself.
set(SOUND_FREEPATS_CONFIG /etc/timidity/freepats.cfg)
set(SOUND_FREEPATS_DIR /usr/share/midi/freepats)
if(NOT EXISTS ${SOUND_FREEPATS_CONFIG} OR NOT EXISTS ${SOUND_FREEPATS_DIR})
  message(FATAL_ERROR "No MIDI instrument set (${SOUND_FREEPATS_CONFIG}, ${SOUND_FREEPATS_DIR}): "
    "install Debian's freepats (tools/setup.sh).")
endif()
set(SOUND_MIDI_DIR ${CMAKE_BINARY_DIR}/bin/midi)
add_custom_command(OUTPUT ${SOUND_MIDI_DIR}/timidity.cfg
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${SOUND_FREEPATS_DIR} ${SOUND_MIDI_DIR}
  COMMAND ${CMAKE_COMMAND} -DIN=${SOUND_FREEPATS_CONFIG} -DOUT=${SOUND_MIDI_DIR}/timidity.cfg
          -P ${CMAKE_CURRENT_LIST_DIR}/SoundMidiConfig.cmake
  DEPENDS ${SOUND_FREEPATS_CONFIG} ${CMAKE_CURRENT_LIST_DIR}/SoundMidiConfig.cmake
  COMMENT "MIDI instrument set into ${SOUND_MIDI_DIR}"
  VERBATIM)
if(WIN32)
  add_custom_target(sound_midi_instruments ALL DEPENDS ${SOUND_MIDI_DIR}/timidity.cfg)
  set(SOUND_MIDI_CONFIG ${SOUND_MIDI_DIR}/timidity.cfg)
else()
  add_custom_target(sound_midi_instruments DEPENDS ${SOUND_MIDI_DIR}/timidity.cfg)
  set(SOUND_MIDI_CONFIG ${SOUND_FREEPATS_CONFIG})
endif()
