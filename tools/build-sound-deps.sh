#!/usr/bin/env bash
# Builds the sound library's decoders from Debian's source packages into a
# cache folder named after their versions (linked as $WAYLUNE_SOUND_DEPS):
#   win32/   static for i686 Windows: libmpg123, libogg, libvorbis(file),
#            libsndfile (no external codecs), libFLAC, FFmpeg with only the
#            WMA decoders and the ASF demuxer, and the MIDI synthesizer;
#   native/  the MIDI synthesizer for Linux (Debian has the other decoders
#            as -dev packages, but this one only inside SDL2_mixer).
# The synthesizer is SDL2_mixer's TiMidity, built over a small SDL stand-in
# (soundlib/plugins/midi_stand_in). Idempotent; returns at once when built.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
repo="$(cd "$here/.." && pwd)"
source "$here/env.sh"
link="$WAYLUNE_SOUND_DEPS"
jobs="${WAYLUNE_DEPS_JOBS:-$(nproc)}"

# Source package, short name in the cache key.
packages=(mpg123:mpg123 libogg:ogg libvorbis:vorbis libsndfile:sndfile flac:flac ffmpeg:ffmpeg
          libsdl2-mixer:sdlmixer)
ver() { apt-cache showsrc --only-source "$1" 2>/dev/null | awk '/^Version:/{print $2}' | sort -V | tail -1; }
key="" pins=()
for p in "${packages[@]}"; do
  v=$(ver "${p%%:*}")
  [ -n "$v" ] || { echo "build-sound-deps: no source of ${p%%:*} (deb-src missing? run tools/setup.sh)" >&2; exit 1; }
  key+="${p#*:}-$v."
  pins+=("${p%%:*}=$v")
done
# A change of how they are built builds them again.
stand_in="$repo/soundlib/plugins/midi_stand_in"
recipe=$(cat "$0" "$stand_in"/* "$repo/cmake/mingw-i686.cmake" | sha1sum | cut -c1-8)
key=$(printf '%sr%s' "$key" "$recipe" | tr ':+~' '___')
prefix="$WAYLUNE_CACHE/sound-deps-$key"

mkdir -p "$WAYLUNE_CACHE"
# Two set-ups at once (several checkouts share the cache) build it once.
exec 9>"$WAYLUNE_CACHE/.sound-deps.lock"
flock 9
if [ -f "$prefix/.done" ]; then
  ln -sfn "$prefix" "$link"
  exit 0
fi

work="$WAYLUNE_CACHE/src-sound-$key"
rm -rf "$work" "$prefix"
mkdir -p "$work" "$prefix"
cd "$work"
start=$SECONDS
echo "build-sound-deps: fetching sources"
# The archive lacks some upstream signatures (.asc), which only
# signature checks read: what counts is that every source unpacks.
apt-get source -qq --download-only "${pins[@]}" >fetch.log 2>&1 || true
for p in "${pins[@]}"; do
  dsc=$(ls "${p%%=*}"_*.dsc 2>/dev/null | head -1)
  if [ -z "$dsc" ] || ! dpkg-source --no-check -x "$dsc" >>fetch.log 2>&1; then
    echo "build-sound-deps: could not fetch or unpack ${p%%=*}:" >&2
    tail -20 fetch.log >&2
    ! grep -q 'Failed to fetch' fetch.log ||
      echo "build-sound-deps: the mirror may be in the middle of a sync; try again later" >&2
    exit 1
  fi
done
src() { echo "$work/$(ls -d "$1"-[0-9]*/ | head -1)"; }

win="$prefix/win32"
tc="$repo/cmake/mingw-i686.cmake"
host=i686-w64-mingw32
# Sets cpu to the CPU seconds of this shell's finished children (`times`
# must run in the shell itself, not in a substitution).
child_cpu() {
  local file="$work/times.$BASHPID"
  times >"$file"
  cpu=$(awk 'END { gsub(/[ms]/, " "); print $1 * 60 + $2 + $3 * 60 + $4 }' "$file")
}
timed() { # name command... (output in name.log, times on stdout; a failure ends the shell)
  local name=$1 t=$SECONDS c
  child_cpu
  c=$cpu
  shift
  if ! "$@" >"$work/$name.log" 2>&1; then
    echo "build-sound-deps: $name failed:" >&2
    tail -40 "$work/$name.log" >&2
    exit 1
  fi
  child_cpu
  echo "build-sound-deps: $name $((SECONDS - t)) s ($(awk -v a="$c" -v b="$cpu" 'BEGIN { printf "%.0f", b - a }') s CPU)"
}
# Built for size: each library's share of a DLL is 20 to 50 % smaller than
# at -O3 and still decodes hundreds of times faster than real time.
cmake_build() { # name srcdir prefix args...
  local name=$1 dir=$2 to=$3; shift 3
  cmake -S "$dir" -B "build-$name" -G Ninja -DCMAKE_BUILD_TYPE=MinSizeRel -DCMAKE_INSTALL_PREFIX="$to" \
        -DBUILD_SHARED_LIBS=OFF -DBUILD_TESTING=OFF "$@" \
    && cmake --build "build-$name" -j "$jobs" && cmake --install "build-$name"
}
win_cmake() { # name srcdir args...
  local name=$1 dir=$2; shift 2
  WAYLUNE_DEPS="$win" cmake_build "$name" "$dir" "$win" -DCMAKE_TOOLCHAIN_FILE="$tc" "$@"
}

ffmpeg_build() {
  # Only what reads WMA from ASF: no programs, devices, filters, threads or
  # outside libraries; built for size (a quarter smaller, as fast), with its
  # own x86 assembly (nasm) for the transforms (13 KiB, 1.6 times as fast).
  local dir
  dir=$(src ffmpeg)
  mkdir -p build-ffmpeg && cd build-ffmpeg \
  && "${dir}configure" --prefix="$win" --target-os=mingw32 --arch=x86 \
    --cross-prefix=$host- --cc=$host-gcc-posix --enable-cross-compile --pkg-config=false \
    --enable-static --disable-shared --disable-debug --disable-doc --disable-programs \
    --disable-network --disable-autodetect --disable-pthreads --disable-w32threads \
    --disable-avdevice --disable-avfilter --disable-swscale --disable-swresample --disable-postproc \
    --disable-everything --enable-demuxer=asf --enable-decoder=wmav1,wmav2,wmapro,wmalossless \
    --enable-small \
    --extra-cflags="-msse2 -mfpmath=sse" \
  && no_bcrypt config.h && make -j "$jobs" && make install
}
# bcrypt.dll came with Vista and configure takes it when the headers have it;
# without it FFmpeg's random seed (which nothing here needs) uses the clock.
no_bcrypt() { sed -i 's/^#define HAVE_BCRYPT 1$/#define HAVE_BCRYPT 0/' "$1"; }

the_others() {
timed ogg win_cmake ogg "$(src libogg)" -DINSTALL_DOCS=OFF
timed vorbis win_cmake vorbis "$(src libvorbis)"
timed flac win_cmake flac "$(src flac)" -DBUILD_CXXLIBS=OFF -DBUILD_PROGRAMS=OFF -DBUILD_EXAMPLES=OFF \
  -DBUILD_DOCS=OFF -DINSTALL_MANPAGES=OFF -DWITH_OGG=OFF -DWITH_STACK_PROTECTOR=OFF -DWITH_FORTIFY_SOURCE=OFF
timed sndfile win_cmake sndfile "$(src libsndfile)" -DBUILD_PROGRAMS=OFF -DBUILD_EXAMPLES=OFF \
  -DBUILD_REGTEST=OFF -DENABLE_EXTERNAL_LIBS=OFF -DENABLE_MPEG=OFF -DENABLE_CPACK=OFF \
  -DINSTALL_MANPAGES=OFF -DENABLE_PACKAGE_CONFIG=ON
# The CMake port configures in a third of the time of the autotools build;
# SSE decoders (the program needs SSE2 anyway). Output as 16-bit or float
# samples at the file's rate only (the mixer resamples), no stream titles, no
# console messages: a quarter smaller.
timed mpg123 win_cmake mpg123 "$(src mpg123)ports/cmake" -DBUILD_PROGRAMS=OFF -DBUILD_LIBOUT123=OFF \
  -DNETWORK=OFF -DNO_8BIT=ON -DNO_32BIT=ON -DNO_NTOM=ON -DNO_DOWNSAMPLE=ON -DNO_ICY=ON -DNO_MESSAGES=ON
timed timidity win_cmake timidity "$stand_in" -DMIXER_SOURCE_DIR="$(src libsdl2-mixer)"
timed timidity-native cmake_build timidity-native "$stand_in" "$prefix/native" \
  -DMIXER_SOURCE_DIR="$(src libsdl2-mixer)" -DCMAKE_POSITION_INDEPENDENT_CODE=ON
}

# FFmpeg's configure runs alone for half a minute: it goes beside the others.
(timed ffmpeg ffmpeg_build) &
ffmpeg_pid=$!
status=0
(the_others) || status=1
wait "$ffmpeg_pid" || status=1
[ $status = 0 ] || exit 1

# This folder and those that failed builds left (none runs: we hold the lock).
cd /; rm -rf "$work" "$WAYLUNE_CACHE"/src-sound-*
printf '%s\n' "${pins[@]}" >"$prefix/VERSIONS"
touch "$prefix/.done"
ln -sfn "$prefix" "$link"
echo "build-sound-deps: installed in $prefix ($((SECONDS - start)) s)"
