#!/usr/bin/python3
"""Times Pictura's PSD reader (bench/psd_bench: a 12-megapixel RGB file,
raw and PackBits, one thread, from memory) against Pillow (from a BytesIO,
the composite loaded) and ImageMagick (convert FILE[0] to raw RGB in
/dev/null: a process over the file, its start-up included) on the same
files, and prints the ratios (peer time / our time: above 1 means we are
faster).

Usage: tools/bench-psd-peers.py [build/native-release] [--repeat N]

Our decode is timed twice: into a fresh result block each time and into a
block the caller's allocator keeps, as Pillow keeps its blocks.
"""
import argparse
import io
import json
import os
import subprocess
import tempfile
import time

from PIL import Image

FILES = os.path.join(tempfile.gettempdir(), "pictura_psd_bench")


def best(fn, repeat):
    times = []
    for _ in range(repeat):
        start = time.perf_counter()
        fn()
        times.append(time.perf_counter() - start)
    return min(times) * 1000


def ours(build):
    out = subprocess.run([os.path.join(build, "bench", "psd_bench"), "--benchmark_format=json",
                          "--benchmark_min_time=1"], check=True, capture_output=True, text=True).stdout
    return {b["label"]: b["real_time"] for b in json.loads(out)["benchmarks"]}  # milliseconds


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build", nargs="?", default="build/native-release")
    parser.add_argument("--repeat", type=int, default=5)
    args = parser.parse_args()
    times = ours(args.build)  # also writes the files
    print("%-4s %9s %11s %9s %12s  %s" % ("", "ours ms", "ours kept", "Pillow", "ImageMagick", "ratios"))
    for kind in ("raw", "rle"):
        path = os.path.join(FILES, "photo_%s.psd" % kind)
        data = open(path, "rb").read()
        pillow = best(lambda: Image.open(io.BytesIO(data)).load(), args.repeat)
        magick = best(lambda: subprocess.run(["/usr/bin/convert", path + "[0]", "-depth", "8", "rgb:/dev/null"],
                                             check=True), args.repeat)
        dec, kept = times[kind], times[kind + " kept block"]
        print("%-4s %9.1f %11.1f %9.1f %12.1f  Pillow / ours %.2f (kept %.2f), ImageMagick / ours %.2f"
              % (kind, dec, kept, pillow, magick, pillow / dec, pillow / kept, magick / dec))


if __name__ == "__main__":
    main()
