#!/usr/bin/python3
"""Sound files the host's tools make (sox, lame, oggenc, flac, ffmpeg) and a
small MIDI file, for a test that cannot run the tools itself (the Windows
build under Wine).

  sound_tool_files.py run -- COMMAND...
writes them into a fresh folder, runs COMMAND with WAYLUNE_SOUND_TOOL_FILES
set to it, removes it and returns COMMAND's exit code. Every file but the MIDI
one holds a second of a 440 Hz tone at half scale, 44100 Hz stereo: tone.mp3,
tone.mp2, tone.ogg, tone.flac, tone.wma (WMA 2) and tone_ima.wav (IMA ADPCM);
tone.mid plays a few piano notes. Without the tools COMMAND runs without the
variable (the test skips, or fails where WAYLUNE_REQUIRE_TOOLS is set).
"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile

SOX, LAME, OGGENC, FLAC, FFMPEG = ("/usr/bin/sox", "/usr/bin/lame", "/usr/bin/oggenc",
                                   "/usr/bin/flac", "/usr/bin/ffmpeg")
FFMPEG_QUIET = [FFMPEG, "-nostdin", "-v", "error", "-y", "-i"]


def midi_file():
    def vlq(n):
        out = [n & 0x7F]
        n >>= 7
        while n:
            out.insert(0, (n & 0x7F) | 0x80)
            n >>= 7
        return bytes(out)
    track = vlq(0) + bytes([0xC0, 0])  # piano
    for note in (60, 64, 67):
        track += vlq(0) + bytes([0x90, note, 100]) + vlq(240) + bytes([0x80, note, 0])
    track += vlq(0) + bytes([0xFF, 0x2F, 0])
    return b"MThd" + struct.pack(">IHHH", 6, 0, 1, 480) + b"MTrk" + struct.pack(">I", len(track)) + track


def make(root):
    wav = os.path.join(root, "tone.wav")
    out = lambda name: os.path.join(root, name)
    steps = [
        [SOX, "-n", "-r", "44100", "-c", "2", "-b", "16", wav, "synth", "1", "sine", "440", "vol", "0.5"],
        [LAME, "--quiet", "-b", "128", wav, out("tone.mp3")],
        FFMPEG_QUIET + [wav, "-c:a", "mp2", "-b:a", "192k", out("tone.mp2")],
        [OGGENC, "-Q", "-q", "3", "-o", out("tone.ogg"), wav],
        [FLAC, "-s", "-f", "-o", out("tone.flac"), wav],
        FFMPEG_QUIET + [wav, "-c:a", "wmav2", "-b:a", "128k", out("tone.wma")],
        [SOX, wav, "-e", "ima-adpcm", out("tone_ima.wav")],
    ]
    for args in steps:
        if subprocess.call(args, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL) != 0:
            sys.exit("sound_tool_files: failed: " + " ".join(args))
    os.remove(wav)
    with open(out("tone.mid"), "wb") as f:
        f.write(midi_file())


def main():
    args = sys.argv[1:]
    if args[:1] != ["run"]:
        sys.exit(__doc__)
    command = args[2:] if args[1:2] == ["--"] else args[1:]
    if not command:
        sys.exit("run needs a command")
    if not all(os.path.exists(t) for t in (SOX, LAME, OGGENC, FLAC, FFMPEG)):
        sys.exit(subprocess.call(command))
    root = tempfile.mkdtemp(prefix="waylune-sound-tools-")
    try:
        make(root)
        sys.exit(subprocess.call(command, env=dict(os.environ, WAYLUNE_SOUND_TOOL_FILES=root)))
    finally:
        shutil.rmtree(root, ignore_errors=True)


if __name__ == "__main__":
    main()
