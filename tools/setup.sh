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

sudo_cmd=()
if [ "$(id -u)" != 0 ]; then sudo_cmd=(sudo); fi

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

install_packages() {
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${sudo_cmd[@]}" dpkg --add-architecture i386
  fi
  # Source packages come from the same archive as the binaries.
  local src=/etc/apt/sources.list.d/waylune-src.sources
  if [ ! -f "$src" ]; then
    "${sudo_cmd[@]}" tee "$src" >/dev/null <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  fi
  local missing=()
  for p in "${packages[@]}"; do
    local name="$p"
    [ "$p" = wine32 ] && name="wine32:i386"
    dpkg-query -W -f='${Status}' "$name" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ] || ! apt-cache showsrc libpng1.6 >/dev/null 2>&1 \
      || [ -z "$(apt-cache showsrc libpng1.6 2>/dev/null)" ]; then
    echo "setup: installing ${missing[*]:-source index}"
    "${sudo_cmd[@]}" apt-get update -qq
    if [ ${#missing[@]} -gt 0 ]; then
      # Unpacked without a sync after every file: four times faster (fp-utils
      # brings 200 MB of Pascal sources), at the price of a torn install should
      # the machine lose power meanwhile.
      DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends \
        -o Dpkg::Options::=--force-unsafe-io "${missing[@]/#wine32/wine32:i386}" >/dev/null
    fi
  fi
}

if [ -f "$stamp" ] && [ -f "$WAYLUNE_DEPS/.done" ]; then
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
