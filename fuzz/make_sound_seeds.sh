#!/usr/bin/env bash
# Seeds of the decoder fuzz targets: a few small valid files of each kind,
# made by Debian's own encoders (sox, lame, ffmpeg, oggenc, flac), so a short
# run starts past the headers.   make_sound_seeds.sh OUTDIR
set -euo pipefail
out=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$out"/{wav_kinds_decoder_fuzz,mpeg_decoder_fuzz,vorbis_decoder_fuzz,flac_decoder_fuzz,wma_decoder_fuzz,midi_decoder_fuzz}
tone() { sox -n -r "$1" -c "$2" -b 16 -e signed "$tmp/tone.wav" synth 0.08 sine 440 sine 660 vol 0.5; }
w=$out/wav_kinds_decoder_fuzz
tone 8000 1
for e in "-e ima-adpcm" "-e ms-adpcm" "-e a-law" "-e u-law" "-e signed -b 16" "-e unsigned -b 8" "-e signed -b 24" "-e float -b 32"; do
  name=$(echo "$e" | tr -dc 'a-z0-9')
  sox "$tmp/tone.wav" $e "$w/mono_$name.wav"
done
tone 11025 2
sox "$tmp/tone.wav" -e ima-adpcm "$w/stereo_ima.wav"
sox "$tmp/tone.wav" -e ms-adpcm "$w/stereo_ms.wav"
m=$out/mpeg_decoder_fuzz
tone 22050 1
lame --quiet -b 32 "$tmp/tone.wav" "$m/mono.mp3"
ffmpeg -loglevel error -y -i "$tmp/tone.wav" -c:a mp2 -b:a 64k "$m/mono.mp2"
tone 44100 2
lame --quiet -b 64 --add-id3v2 --tt seed "$tmp/tone.wav" "$m/stereo_id3.mp3"
oggenc -Q -q 0 -o "$out/vorbis_decoder_fuzz/stereo.ogg" "$tmp/tone.wav"
flac -s -f -o "$out/flac_decoder_fuzz/stereo.flac" "$tmp/tone.wav"
ffmpeg -loglevel error -y -i "$tmp/tone.wav" -c:a wmav2 -b:a 64k "$out/wma_decoder_fuzz/stereo_v2.wma"
tone 22050 1
oggenc -Q -q 0 -o "$out/vorbis_decoder_fuzz/mono.ogg" "$tmp/tone.wav"
flac -s -f -o "$out/flac_decoder_fuzz/mono.flac" "$tmp/tone.wav"
ffmpeg -loglevel error -y -i "$tmp/tone.wav" -c:a wmav1 -b:a 32k "$out/wma_decoder_fuzz/mono_v1.wma"
# MIDI: one track (type 0) with a note, a pause and a program change, and a
# type 1 file with a tempo track.
python3 - "$out/midi_decoder_fuzz" <<'PY'
import struct, sys
def track(events):
    body = b"".join(events) + b"\x00\xff\x2f\x00"
    return b"MTrk" + struct.pack(">I", len(body)) + body
def head(fmt, n):
    return b"MThd" + struct.pack(">IHHH", 6, fmt, n, 96)
t0 = track([b"\x00\xc0\x00", b"\x00\x90\x3c\x64", b"\x30\x80\x3c\x40", b"\x30\x90\x40\x64", b"\x30\x80\x40\x40"])
open(sys.argv[1] + "/type0.mid", "wb").write(head(0, 1) + t0)
tempo = track([b"\x00\xff\x51\x03\x07\xa1\x20"])
open(sys.argv[1] + "/type1.mid", "wb").write(head(1, 2) + tempo + t0)
PY
