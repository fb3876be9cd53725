#!/usr/bin/python3
"""Times Pictura's GIF, TGA, PCX and PPM codecs against their peers on the
same files, one thread, in interleaved rounds, and prints the ratio table
(fastest peer's median time / ours: above 1 means we are faster).

Usage: tools/bench-codec-peers.py [build/native-release] [--rounds N] [--only gif|simple]

Each round times every side once, one after the other (ours, then each
peer, case by case), so a change in the machine's load reaches all sides
alike; the table gives each side's median over the rounds and its range.

- GIF (bench/gif_bench): a 1920 x 1080 picture of 256 dithered colours and
  a 100-frame 480 x 270 animation, decoded to R, G, B. Ours: pic_ReadImage
  (picture) and every frame of pic_ReadMultiFrameGIF through its palette
  (animation; the player composing the frames is shown too). giflib:
  DGifSlurp from memory, then every frame through its colour map, in the
  same program as ours. Pillow: Image.open from memory and every frame
  converted to RGB.
- TGA, PCX, PPM (bench/simple_codec_bench): a 12-megapixel photo-like
  picture decoded and encoded from and to memory. Ours decodes into a fresh
  result block (its page faults included) and into a kept block as Pillow
  keeps its own. Pillow: from and to a BytesIO. netpbm (tgatoppm, pcxtoppm,
  pnmtopnm; pamtotga, ppmtopcx): one process over the file, output to
  /dev/null.
"""
import argparse
import io
import json
import os
import statistics
import subprocess
import sys
import tempfile
import time

from PIL import Image, ImageSequence

SIMPLE_FILES = os.path.join(tempfile.gettempdir(), "pictura_simple_codec_bench")
GIF_FILES = os.path.join(tempfile.gettempdir(), "pictura_gif_bench")
NETPBM_DECODE = {"tga": ["tgatoppm"], "pcx": ["pcxtoppm"], "ppm": ["pnmtopnm"]}
NETPBM_ENCODE = {"tga": ["pamtotga", "-rgb", "-norle"], "pcx": ["ppmtopcx", "-24bit"], "ppm": ["pnmtopnm"]}
PIL_FORMAT = {"tga": "TGA", "pcx": "PCX", "ppm": "PPM"}
SIMPLE_INDEX = {"tga": 0, "pcx": 1, "ppm": 2}
MIN_SECONDS = 0.4  # each side's timing in a round runs at least this long


def per_call(fn):
    """Mean seconds of one call, over at least MIN_SECONDS (one warm-up call first)."""
    fn()
    n, start = 0, time.perf_counter()
    while True:
        fn()
        n += 1
        elapsed = time.perf_counter() - start
        if elapsed >= MIN_SECONDS:
            return elapsed / n


def process_time(args):
    with open(os.devnull, "wb") as null:
        return per_call(lambda: subprocess.run(args, stdout=null, stderr=subprocess.DEVNULL, check=True))


def ours(build, program, pattern):
    """Seconds per iteration of each benchmark matching pattern, one run."""
    out = subprocess.run([os.path.join(build, "bench", program), "--benchmark_format=json",
                          "--benchmark_filter=" + pattern, "--benchmark_min_time=%g" % MIN_SECONDS],
                         check=True, capture_output=True, text=True).stdout
    return {b["name"]: b["real_time"] / 1000.0 for b in json.loads(out)["benchmarks"]}  # ms -> s


def pillow_gif(data):
    def decode():
        for frame in ImageSequence.Iterator(Image.open(io.BytesIO(data))):
            frame.convert("RGB")
    return per_call(decode)


def load():
    return open("/proc/loadavg").read().split()[0]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build", nargs="?", default="build/native-release")
    parser.add_argument("--rounds", type=int, default=7)
    parser.add_argument("--only", choices=["gif", "simple"])
    args = parser.parse_args()
    samples = {}  # (case, side) -> [seconds per round]

    def add(case, side, seconds):
        samples.setdefault((case, side), []).append(seconds)

    gif = args.only != "simple"
    simple = args.only != "gif"
    loads = [load()]
    for r in range(args.rounds):
        if gif:
            t = ours(args.build, "gif_bench", "Picture(ReadImageRGB|Giflib)$|Animation(FramesMapped|Played|Giflib)$")
            add("gif picture", "ours", t["BM_GifPictureReadImageRGB"])
            add("gif picture", "giflib", t["BM_GifPictureGiflib"])
            add("gif picture", "Pillow", pillow_gif(open(os.path.join(GIF_FILES, "picture.gif"), "rb").read()))
            add("gif animation", "ours", t["BM_GifAnimationFramesMapped"])
            add("gif animation", "ours played", t["BM_GifAnimationPlayed"])
            add("gif animation", "giflib", t["BM_GifAnimationGiflib"])
            add("gif animation", "Pillow", pillow_gif(open(os.path.join(GIF_FILES, "animation.gif"), "rb").read()))
        if simple:
            t = ours(args.build, "simple_codec_bench", "BM_(Decode|Encode)/")
            for ext in ("tga", "pcx", "ppm"):
                i = SIMPLE_INDEX[ext]
                path = os.path.join(SIMPLE_FILES, "photo." + ext)
                data = open(path, "rb").read()
                add(ext + " decode", "ours", t["BM_Decode/%d/0" % i])
                add(ext + " decode", "ours kept", t["BM_Decode/%d/1" % i])
                add(ext + " decode", "Pillow", per_call(lambda: Image.open(io.BytesIO(data)).load()))
                add(ext + " decode", "netpbm", process_time(NETPBM_DECODE[ext] + [path]))
                picture = Image.frombytes("RGB", (4000, 3000),
                                          open(os.path.join(SIMPLE_FILES, "photo.rgb"), "rb").read())
                add(ext + " encode", "ours", t["BM_Encode/%d" % i])
                add(ext + " encode", "Pillow", per_call(lambda: picture.save(io.BytesIO(), PIL_FORMAT[ext])))
                add(ext + " encode", "netpbm",
                    process_time(NETPBM_ENCODE[ext] + [os.path.join(SIMPLE_FILES, "photo.ppm")]))
        loads.append(load())
        print("round %d of %d done (load %s)" % (r + 1, args.rounds, loads[-1]), file=sys.stderr)

    cases = []
    for case, _ in samples:
        if case not in cases:
            cases.append(case)
    print("%d rounds, one thread; load average at the rounds' ends: %s" % (args.rounds, " ".join(loads)))
    print("median ms [min-max] per side; ratio = fastest peer's median / ours")
    print("%-14s %-24s %-34s %-30s %-30s %s" % ("case", "ours", "ours (other)", "peer 1", "peer 2", "ratio"))
    for case in cases:
        sides = [(side, s) for (c, side), s in samples.items() if c == case]

        def cell(side, s):
            ms = [v * 1000 for v in s]
            return "%s %.1f [%.1f-%.1f]" % (side, statistics.median(ms), min(ms), max(ms))

        mine = dict((side, s) for side, s in sides if side.startswith("ours"))
        peers = [(side, s) for side, s in sides if not side.startswith("ours")]
        other = [cell(side, s) for side, s in mine.items() if side != "ours"]
        fastest = min(statistics.median(s) for _, s in peers)
        ratio = fastest / statistics.median(mine["ours"])
        extra = ""
        for side, s in mine.items():
            if side != "ours":
                extra = " (%s %.2f)" % (side, fastest / statistics.median(s))
        print("%-14s %-24s %-34s %-30s %-30s %.2f%s" % (case, cell("", mine["ours"]).strip(),
                                                        other[0] if other else "", cell(*peers[0]),
                                                        cell(*peers[1]) if len(peers) > 1 else "", ratio, extra))


if __name__ == "__main__":
    sys.exit(main())
