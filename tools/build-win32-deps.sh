#!/usr/bin/env bash
# Cross-builds libjpeg-turbo, libpng and libtiff for i686 Windows from Debian's
# source packages into a cache folder named after their versions.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
repo="$(cd "$here/.." && pwd)"
source "$here/env.sh"
link="$WAYLUNE_DEPS"

ver() { apt-cache showsrc "$1" | awk '/^Version:/{print $2; exit}'; }
vj=$(ver libjpeg-turbo); vp=$(ver libpng1.6); vt=$(ver tiff)
[ -n "$vj" ] && [ -n "$vp" ] && [ -n "$vt" ] || { echo "build-win32-deps: no source index (deb-src missing?)" >&2; exit 1; }
key=$(printf "jpeg-%s.png-%s.tiff-%s" "$vj" "$vp" "$vt" | tr ":+~" "___")
prefix="$WAYLUNE_CACHE/win32-deps-$key"

if [ -f "$prefix/.done" ]; then
  ln -sfn "$prefix" "$link"
  exit 0
fi

work="$WAYLUNE_CACHE/src-$key"
rm -rf "$work" "$prefix"
mkdir -p "$work" "$prefix"
cd "$work"
echo "build-win32-deps: fetching sources ($key)"
if ! apt-get source -qq --download-only libjpeg-turbo libpng1.6 tiff >fetch.log 2>&1; then
  echo "build-win32-deps: could not fetch the sources of libjpeg-turbo, libpng1.6 and tiff:" >&2
  grep -E '^[EW]: ' fetch.log | head -5 >&2
  echo "build-win32-deps: the mirror may be in the middle of a sync; try again later" >&2
  exit 1
fi
for d in *.dsc; do dpkg-source --no-check -x "$d" >/dev/null; done

tc="$repo/cmake/mingw-i686.cmake"
common=(-G Ninja -DCMAKE_TOOLCHAIN_FILE="$tc" -DCMAKE_BUILD_TYPE=Release
        -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_POSITION_INDEPENDENT_CODE=OFF)
export WAYLUNE_DEPS="$prefix"

build() { # name srcdir args...
  local name=$1 src=$2; shift 2
  echo "build-win32-deps: $name"
  cmake -S "$src" -B "build-$name" "${common[@]}" "$@" >"build-$name.log" 2>&1 \
    && cmake --build "build-$name" >>"build-$name.log" 2>&1 \
    && cmake --install "build-$name" >>"build-$name.log" 2>&1 \
    || { tail -40 "build-$name.log" >&2; exit 1; }
}

build jpeg "$(ls -d libjpeg-turbo-*/ | head -1)" -DENABLE_SHARED=OFF -DWITH_TURBOJPEG=OFF
build png "$(ls -d libpng1.6-*/ | head -1)" -DPNG_SHARED=OFF -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
  -DZLIB_LIBRARY=/usr/i686-w64-mingw32/lib/libz.a -DZLIB_INCLUDE_DIR=/usr/i686-w64-mingw32/include
build tiff "$(ls -d tiff-*/ | head -1)" -DBUILD_SHARED_LIBS=OFF -Dtiff-tools=OFF -Dtiff-tests=OFF \
  -Dtiff-contrib=OFF -Dtiff-docs=OFF -Dwebp=OFF -Dzstd=OFF -Dlzma=OFF -Djbig=OFF -Dlerc=OFF \
  -Dlibdeflate=OFF -Dcxx=OFF \
  -DZLIB_LIBRARY=/usr/i686-w64-mingw32/lib/libz.a -DZLIB_INCLUDE_DIR=/usr/i686-w64-mingw32/include \
  -DJPEG_LIBRARY="$prefix/lib/libjpeg.a" -DJPEG_INCLUDE_DIR="$prefix/include"

cd /; rm -rf "$work"
touch "$prefix/.done"
ln -sfn "$prefix" "$link"
echo "build-win32-deps: installed in $prefix"
