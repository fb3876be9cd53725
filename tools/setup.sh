#!/usr/bin/env bash
# Prepares a Debian 12 machine for both builds: packages, the Windows builds of
# the image libraries and the sound decoders (cached outside the checkout) and
# a stamp so a second run returns at once. Safe to run again; does only what
# is missing.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
repo="$(cd "$here/.." && pwd)"
# shellcheck source=tools/env.sh
source "$here/env.sh"

# shellcheck source=tools/apt-mirror.sh
source "$here/apt-mirror.sh"

apt_sudo=()
if [ "$(id -u)" != 0 ]; then apt_sudo=(sudo); fi

packages=(
  build-essential cmake ninja-build ccache pkg-config git dpkg-dev nasm
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
  libz-mingw-w64-dev
  wine wine32 xvfb x11-apps x11-utils xdotool
  libjpeg-dev libpng-dev libtiff-dev zlib1g-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev clang-format
  imagemagick netpbm libtiff-tools libjpeg-turbo-progs pngcheck python3-pil python3-numpy python3-opencv
  giflib-tools gifsicle libgif-dev
  mate-backgrounds
  fp-utils python3-pyftpdlib icc-profiles-free
  libmpg123-dev libogg-dev libvorbis-dev libsndfile1-dev libflac-dev
  libavcodec-dev libavformat-dev libavutil-dev freepats
  ffmpeg lame vorbis-tools flac sox mpg123
  # What the scripts and tests call that a minimal Debian lacks: ip (the FTP
  # test server's network namespace), ps (run.sh), xz and bzip2 (source
  # packages).
  iproute2 procps xz-utils bzip2
)

stamp_key="$(printf '%s\n' "${packages[@]}" | sha1sum | cut -c1-12)"
stamp="$WAYLUNE_CACHE/setup-$stamp_key.done"

# The source entry made from the machine's own Debian sources, written when it
# differs from what is there (none when the machine lists one itself).
# Sets sources_changed.
sync_source_entry() {
  local own=waylune-src.sources entry
  apt_locations
  local file="${apt_parts%/}/$own"
  sources_changed=""
  if ! entry=$(apt_src_entry "$apt_list" "$apt_parts" "$own"); then
    echo "setup: the apt sources ($apt_list, $apt_parts) list no Debian $apt_release entry;" \
      "source packages come from the mirror the binaries come from: add one and run again" >&2
    exit 1
  fi
  if [ -z "$entry" ]; then
    [ -f "$file" ] && { "${apt_sudo[@]}" rm -f "$file"; sources_changed=1; }
    return 0
  fi
  if [ "$(cat "$file" 2>/dev/null)" != "$entry" ]; then
    printf '%s\n' "$entry" | "${apt_sudo[@]}" tee "$file" >/dev/null
    sources_changed=1
  fi
}

install_packages() {
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${apt_sudo[@]}" dpkg --add-architecture i386
  fi
  sync_source_entry
  local missing=()
  for p in "${packages[@]}"; do
    local name="$p"
    [ "$p" = wine32 ] && name="wine32:i386"
    dpkg-query -W -f='${Status}' "$name" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ] || [ -n "$sources_changed" ] || [ -z "$(apt-cache showsrc libpng1.6 2>/dev/null)" ]; then
    echo "setup: installing ${missing[*]:-source index}"
    apt_update
    [ ${#missing[@]} -eq 0 ] || apt_install "${missing[@]/#wine32/wine32:i386}" || exit 1
    if [ -z "$(apt-cache showsrc libpng1.6 2>/dev/null)" ]; then
      apt_give_up "no source packages of Debian $apt_release main: its source index did not come"
      exit 1
    fi
  fi
}

if [ -f "$stamp" ] && [ -f "$WAYLUNE_DEPS/.done" ]; then
  # A machine set up before its sources changed gets its source entry anew.
  sync_source_entry
  [ -z "$sources_changed" ] || apt_update
  # Returns at once when built (it checks its own versions).
  "$here/build-sound-deps.sh"
  exit 0
fi

mkdir -p "$WAYLUNE_CACHE"
install_packages
"$here/build-win32-deps.sh"
"$here/build-sound-deps.sh"
touch "$stamp"
echo "setup: done"
