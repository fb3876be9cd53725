#!/usr/bin/env bash
# Renders the generator's pictures into one enlarged contact sheet to look at:
#   preview.sh ART_FOLDER OUT.png [ZOOM]
# Menu pictures are shown on a classic menu grey and on the selection blue,
# icons on a light and a dark taskbar colour.
set -euo pipefail
src=$1 out=$2 zoom=${3:-6}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
IM=/usr/bin/convert
for f in "$src"/*.bmp; do
  n=$(basename "$f" .bmp)
  for bg in '#d4d0c8' '#316ac5'; do
    $IM "$f" -transparent 'rgb(0,128,128)' -background "$bg" -flatten \
      -filter point -resize "$((zoom * 100))%" "$tmp/${n}_${bg#\#}.png"
  done
done
for f in "$src"/*.ico; do
  n=$(basename "$f" .ico)
  i=0
  while read -r geo; do
    for bg in '#ece9d8' '#1f2a44'; do
      $IM "$f[$i]" -background "$bg" -flatten -filter point -resize "$((zoom * 100))%" \
        "$tmp/zz_${n}_${i}_${geo}_${bg#\#}.png"
    done
    i=$((i + 1))
  done < <(/usr/bin/identify -format '%wx%h %z\n' "$f" | awk '{print $1 "-" $2}')
done
/usr/bin/montage "$tmp"/*.png -tile 8x -geometry +4+4 -background '#888888' "$out"
echo "$out"
