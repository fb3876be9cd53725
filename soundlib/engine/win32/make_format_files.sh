#!/usr/bin/env bash
# Sound files of every kind for the DLL test under Wine, made by the host's
# encoders, each with the host decoder's 16-bit stereo output beside it
# (NAME.raw), and a MIDI instrument set beside the test that points at the
# program's copy.   make_format_files.sh OUTDIR MIDI_CONFIG
set -euo pipefail
out=$1
midi=$2
mkdir -p "$out/formats" "$out/midi"
cd "$out/formats"
sox -n -r 44100 -c 2 -b 16 -e signed tone.wav synth 0.6 sine 440 sine 554 vol 0.6
sox tone.wav -e ima-adpcm ima.wav
sox ima.wav -t raw -e signed -b 16 ima.raw
lame --quiet -b 128 tone.wav tone.mp3
mpg123 -q -s tone.mp3 > tone.mp3.raw
cp tone.mp3 mp3-named.wav
ffmpeg -loglevel error -y -i tone.wav -c:a mp2 tone.mp2
mpg123 -q -s tone.mp2 > tone.mp2.raw
oggenc -Q -q 3 -o tone.ogg tone.wav
oggdec -Q -R -o tone.ogg.raw tone.ogg
flac -s -f -o tone.flac tone.wav
flac -s -d -f --force-raw-format --endian=little --sign=signed -o tone.flac.raw tone.flac
ffmpeg -loglevel error -y -i tone.wav -c:a wmav2 -b:a 128k tone.wma
ffmpeg -loglevel error -y -i tone.wma -f s16le tone.wma.raw
head -c 3000 tone.flac > cut.flac
# A note from 0 to 0.25 s, a rest, a note from 1 s to 1.25 s (120 a minute, 480 ticks a quarter).
python3 - <<'PY'
import struct
ev = bytes([0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x00, 0xC0, 0x00, 0x00, 0x90, 60, 110,
            0x81, 0x70, 0x80, 60, 64, 0x85, 0x50, 0x90, 67, 110, 0x81, 0x70, 0x80, 67, 64, 0x00, 0xFF, 0x2F, 0x00])
open("notes.mid", "wb").write(b"MThd" + struct.pack(">IHHH", 6, 0, 1, 480) + b"MTrk" + struct.pack(">I", len(ev)) + ev)
PY
# The plug-in looks for midi\timidity.cfg beside the program: here the test.
win=$(printf 'Z:%s' "$(dirname "$midi")" | tr '/' '\\')
printf 'dir %s\nsource %s\\%s\n' "$win" "$win" "$(basename "$midi")" > "$out/midi/timidity.cfg"
