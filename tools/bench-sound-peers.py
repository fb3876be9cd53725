#!/usr/bin/python3
"""Decoding speed of each sound kind, ours beside the host's own decoders.

Usage: tools/bench-sound-peers.py [--native build/native-release] [--win32 build/win32]
       [--minutes 5] [--rounds 5] [--core N] [--work DIR] [--kinds mp3,ogg,flac,wma,mid]

Makes a file of each kind, MINUTES long, with Debian's encoders (a noisy
signal, the most a lossy encoder has to keep; MIDI: four parts, a note an
eighth at 120 a minute), then times in rounds, one kind after another:
ours natively (decode_bench of the release build, Debian's libraries), ours
under Wine (decode_bench.exe of the Windows build, the libraries the DLLs
carry), and each peer (ffmpeg -f null for every kind it reads, mpg123 -t,
oggdec to /dev/null, flac -t, timidity -Ow to /dev/null when installed,
with freepats and without reverb and chorus, as ours).
Everything runs pinned to one core (taskset). Ours reports its thread's
processor time; a peer's is its process's (user + system, start-up
included). Printed: times real time (sound seconds per processor second),
median of the rounds and their range.

Build first: cmake --build --preset native-release --target decode_bench;
cmake --build --preset win32 --target decode_bench sound_midi_instruments.
"""
import argparse
import os
import re
import resource
import shutil
import statistics
import struct
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
KINDS = ["mp3", "ogg", "flac", "wma", "mid"]
NAMES = {"mp3": "MP3", "ogg": "Ogg Vorbis", "flac": "FLAC", "wma": "WMA 2", "mid": "MIDI"}


def sh(cmd, cwd):
    subprocess.run(cmd, cwd=cwd, shell=True, check=True)


def var(v):
    out = [v & 0x7F]
    v >>= 7
    while v:
        out.insert(0, (v & 0x7F) | 0x80)
        v >>= 7
    return bytes(out)


def midi_file(path, seconds):
    """Type 1, 480 ticks a quarter at 120 a minute: melody (piano), chords
    (strings), bass and drums, a note an eighth in each part."""
    eighth = 240
    steps = int(seconds * 4)
    parts = [(0, 0, [60, 62, 64, 65, 67, 69, 71, 72]), (1, 48, [48, 52, 55]), (2, 33, [36, 43]),
             (9, 0, [36, 42, 38, 42])]
    tracks = [b"\x00\xff\x51\x03\x07\xa1\x20" + b"\x00\xff\x2f\x00"]
    for channel, program, notes in parts:
        ev = bytearray(b"\x00" + bytes([0xC0 | channel, program]))
        for step in range(steps):
            chord = notes if channel == 1 else [notes[step % len(notes)]]
            for i, n in enumerate(chord):
                ev += b"\x00" + bytes([0x90 | channel, n, 96])
            for i, n in enumerate(chord):
                ev += var(eighth if i == 0 else 0) + bytes([0x80 | channel, n, 64])
        ev += b"\x00\xff\x2f\x00"
        tracks.append(bytes(ev))
    with open(path, "wb") as f:
        f.write(b"MThd" + struct.pack(">IHHH", 6, 1, len(tracks), 480))
        for t in tracks:
            f.write(b"MTrk" + struct.pack(">I", len(t)) + t)


def make_files(work, minutes):
    os.makedirs(work, exist_ok=True)
    stamp = os.path.join(work, ".made-%g" % minutes)
    if os.path.exists(stamp):
        return
    seconds = int(minutes * 60)
    sh("sox -n -r 44100 -c 2 -b 16 music.wav synth %d pinknoise synth %d sine mix 220-880 tremolo 3 40 vol 0.4"
       % (seconds, seconds), work)
    sh("lame --quiet -b 192 music.wav bench.mp3", work)
    sh("oggenc -Q -q 5 -o bench.ogg music.wav", work)
    sh("flac -s -f -5 -o bench.flac music.wav", work)
    sh("ffmpeg -loglevel error -y -i music.wav -c:a wmav2 -b:a 192k bench.wma", work)
    midi_file(os.path.join(work, "bench.mid"), seconds)
    os.remove(os.path.join(work, "music.wav"))
    open(stamp, "w").close()


def run_child(cmd):
    """(processor seconds of the child, wall seconds, stdout)."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.time()
    out = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, check=True).stdout
    wall = time.time() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    return (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime), wall, out.decode(errors="replace")


def ours(cmd):
    """times real time from decode_bench's line."""
    _, _, out = run_child(cmd)
    for line in out.splitlines():
        if line.startswith("bench."):
            return float(line.split()[-1])
    raise SystemExit("decode_bench gave no figure:\n" + out)


def winpath(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--native", default="build/native-release")
    parser.add_argument("--win32", default="build/win32")
    parser.add_argument("--minutes", type=float, default=5)
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--core", type=int, default=(os.cpu_count() or 1) - 1)
    parser.add_argument("--work", default=None)
    parser.add_argument("--kinds", default=",".join(KINDS))
    args = parser.parse_args()
    work = os.path.abspath(args.work or os.path.join(args.native, "bench-sound"))
    make_files(work, args.minutes)
    pin = ["taskset", "-c", str(args.core)]
    native = os.path.join(args.native, "bench", "decode_bench")
    win = os.path.join(args.win32, "bench", "decode_bench.exe")
    midi_cfg = winpath(os.path.join(args.win32, "bin", "midi", "timidity.cfg"))
    wine = [os.path.join(HERE, "wine-run.sh"), "--prefix", os.path.join(args.win32, "wineprefix")]
    seconds = args.minutes * 60

    sides = {}  # kind -> [(name, function giving times real time)]
    for kind in args.kinds.split(","):
        f = os.path.join(work, "bench." + kind)
        row = []
        if os.path.exists(native):
            row.append(("ours native", lambda f=f: ours(pin + [native, f])))
        if os.path.exists(win):
            row.append(("ours Wine", lambda f=f: ours(pin + wine + [win, winpath(f), "--midi-config", midi_cfg])))
        peer = lambda cmd: (lambda: seconds / run_child(pin + cmd)[0])
        if kind != "mid" and shutil.which("ffmpeg"):
            row.append(("ffmpeg", peer(["ffmpeg", "-loglevel", "error", "-threads", "1", "-i", f, "-f", "null", "-"])))
        if kind == "mp3":
            row.append(("mpg123 -t", peer(["mpg123", "-q", "-t", f])))
        if kind == "ogg":
            row.append(("oggdec", peer(["oggdec", "-Q", "-o", "/dev/null", f])))
        if kind == "flac":
            row.append(("flac -t", peer(["flac", "-s", "-t", f])))
        if kind == "mid" and shutil.which("timidity"):
            # Our instrument set, without the effects ours lacks.
            row.append(("timidity -Ow", peer(["timidity", "-idq", "-c", "/etc/timidity/freepats.cfg", "-EFreverb=0",
                                              "-EFchorus=0", "-s", "44100", "-Ow", "-o", "/dev/null", f])))
        sides[kind] = row

    results = {(k, n): [] for k, row in sides.items() for n, _ in row}
    for r in range(args.rounds):
        for kind, row in sides.items():
            for name, fn in row:
                results[(kind, name)].append(fn())
        print("round %d of %d done (load %.1f)" % (r + 1, args.rounds, os.getloadavg()[0]), file=sys.stderr)

    print("%g-minute files, %d rounds, pinned to core %d, load %.1f %.1f %.1f" %
          ((args.minutes, args.rounds, args.core) + os.getloadavg()))
    print("times real time on one core: median (range)")
    for kind, row in sides.items():
        cells = []
        for name, _ in row:
            v = results[(kind, name)]
            cells.append("%s %.0f (%.0f-%.0f)" % (name, statistics.median(v), min(v), max(v)))
        print("%-11s %s" % (NAMES[kind], " | ".join(cells)))


if __name__ == "__main__":
    main()
