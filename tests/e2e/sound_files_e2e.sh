#!/usr/bin/env bash
# Makes the sound files the sound play test plays, with Debian's encoders,
# then runs the test with SOUND_E2E_FILES naming their folder.
#   sound_files_e2e.sh OUTDIR COMMAND...
# Each file sounds for 0.5 s, rests 0.5 s and sounds 0.5 s again.
set -euo pipefail
out=$1
shift
rm -rf "$out"
mkdir -p "$out"
cd "$out"
sox -n -r 44100 -c 2 -b 16 tone.wav synth 0.5 sine 880 vol 0.5 fade 0.005 0.5 0.005
sox -n -r 44100 -c 2 -b 16 rest.wav trim 0 0.5
sox tone.wav rest.wav tone.wav pattern.wav
lame --quiet -b 128 pattern.wav pattern.mp3
flac -s -f -o pattern.flac pattern.wav
ffmpeg -loglevel error -y -i pattern.wav -c:a wmav2 -b:a 128k pattern.wma
# An organ's A (880 Hz) at the same times: 120 a minute, 480 ticks a quarter.
python3 - <<'PY'
import struct
ev = bytes([0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x00, 0xC0, 16,
            0x00, 0x90, 81, 110, 0x83, 0x60, 0x80, 81, 64,
            0x83, 0x60, 0x90, 81, 110, 0x83, 0x60, 0x80, 81, 64, 0x00, 0xFF, 0x2F, 0x00])
open("pattern.mid", "wb").write(b"MThd" + struct.pack(">IHHH", 6, 0, 1, 480) + b"MTrk"
                                + struct.pack(">I", len(ev)) + ev)
PY
# Text under a sound file's name: refused, and the log says so.
echo "not a sound" > text.mp3
rm tone.wav rest.wav
cd - >/dev/null
export SOUND_E2E_FILES=$out
exec "$@"
