#!/usr/bin/python3
"""Times Pictura's TGA, PCX and PPM decoders and encoders (bench/
simple_codec_bench, one thread, from and to memory) against Pillow (from
and to a BytesIO) and netpbm (tgatoppm, pcxtoppm, pnmtopnm, pamtotga,
ppmtopcx: a process over files, its output to /dev/null) on the same
12-megapixel files, and prints the ratios (peer time / our time: above 1
means we are faster).

Usage: tools/bench-codec-peers.py [build/native-release] [--repeat N]

Our decode is timed twice: into a fresh result block each time (its page
faults are most of the time of PPM) and into a block the caller's
allocator keeps, as Pillow keeps its blocks.
"""
import argparse
import io
import json
import os
import subprocess
import sys
import tempfile
import time

from PIL import Image

W, H = 4000, 3000
FILES = os.path.join(tempfile.gettempdir(), "pictura_simple_codec_bench")
NETPBM_DECODE = {"tga": ["tgatoppm"], "pcx": ["pcxtoppm"], "ppm": ["pnmtopnm"]}
NETPBM_ENCODE = {"tga": ["pamtotga", "-rgb", "-norle"], "pcx": ["ppmtopcx", "-24bit"], "ppm": ["pnmtopnm"]}
PIL_FORMAT = {"tga": "TGA", "pcx": "PCX", "ppm": "PPM"}


def best(fn, repeat):
    times = []
    for _ in range(repeat):
        start = time.perf_counter()
        fn()
        times.append(time.perf_counter() - start)
    return min(times) * 1000


def ours(build):
    out = subprocess.run([os.path.join(build, "bench", "simple_codec_bench"), "--benchmark_format=json",
                          "--benchmark_min_time=1"], check=True, capture_output=True, text=True).stdout
    result = {}
    for b in json.loads(out)["benchmarks"]:
        result[b["label"]] = result.get(b["label"], {})
        result[b["label"]][b["name"].split("/")[0]] = b["real_time"]  # milliseconds
    return result


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build", nargs="?", default="build/native-release")
    parser.add_argument("--repeat", type=int, default=5)
    args = parser.parse_args()
    times = ours(args.build)  # also writes the files
    picture = Image.frombytes("RGB", (W, H), open(os.path.join(FILES, "photo.rgb"), "rb").read())
    print("%-4s %-6s %9s %11s %9s %9s  %s" % ("", "", "ours ms", "ours kept", "Pillow", "netpbm", "ratios"))
    for ext in ("tga", "pcx", "ppm"):
        path = os.path.join(FILES, "photo." + ext)
        data = open(path, "rb").read()
        ppm = os.path.join(FILES, "photo.ppm")
        pillow_dec = best(lambda: Image.open(io.BytesIO(data)).load(), args.repeat)
        pillow_enc = best(lambda: picture.save(io.BytesIO(), PIL_FORMAT[ext]), args.repeat)
        with open(os.devnull, "wb") as null:
            netpbm_dec = best(lambda: subprocess.run(NETPBM_DECODE[ext] + [path], stdout=null, check=True),
                              args.repeat)
            netpbm_enc = best(lambda: subprocess.run(NETPBM_ENCODE[ext] + [ppm], stdout=null,
                                                     stderr=subprocess.DEVNULL, check=True), args.repeat)
        dec, kept = times[ext]["BM_Decode"], times[ext + " kept block"]["BM_Decode"]
        enc = times[ext]["BM_Encode"]
        fastest = min(pillow_dec, netpbm_dec)
        print("%-4s %-6s %9.1f %11.1f %9.1f %9.1f  fastest peer / ours %.2f (kept block %.2f)"
              % (ext, "decode", dec, kept, pillow_dec, netpbm_dec, fastest / dec, fastest / kept))
        fastest = min(pillow_enc, netpbm_enc)
        print("%-4s %-6s %9.1f %11s %9.1f %9.1f  fastest peer / ours %.2f"
              % (ext, "encode", enc, "", pillow_enc, netpbm_enc, fastest / enc))


if __name__ == "__main__":
    sys.exit(main())
